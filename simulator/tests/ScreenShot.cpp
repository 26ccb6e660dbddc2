// Saves the whole X screen as another program shows it: "screen_shot OUT.png". Run it under the
// same xvfb-run as the program looked at.
#include <QApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    return QGuiApplication::primaryScreen()->grabWindow(0).save(argv[1]) ? 0 : 1;
}
