// Saves the X screen as another program shows it: "screen_shot OUT.png [WINDOW]" saves the whole
// screen, or only the window of that X id (as xdotool prints it). Run it under the same xvfb-run
// as the program looked at.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    const WId window = argc > 2 ? static_cast<WId>(std::strtoull(argv[2], nullptr, 10)) : 0;
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window);
    return !shot.isNull() && shot.save(argv[1]) ? 0 : 1;
}
