#include "editor/dialogs/DialogSupport.h"

#include <QWidget>

#include "content/FileBytes.h"
#include "image/Cp949.h"

namespace orb {

namespace {
MessageHook& hook() {
    static MessageHook h;
    return h;
}
}  // namespace

QMessageBox::StandardButton showMessage(QWidget* parent, const QString& caption, const QString& text,
                                        bool ask) {
    if (hook()) return hook()(caption, text);
    if (ask)
        return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No);
    return QMessageBox::warning(parent, caption, text);
}

void setMessageHook(MessageHook h) {
    hook() = std::move(h);
}

QString signFaceFamily(int typeface) {
    // The faces of fontgen's recipes for the Hangul tables of fonts 0..3.
    static const char* const kFamilies[4] = {"Baekmuk Gulim", "UnGungseo", "NanumSquareRound",
                                             "NanumBarunpen"};
    return QString::fromUtf8(kFamilies[typeface & 3]);
}

QString storedPathToQString(const std::string& stored) {
    return QString::fromStdString(localPath(stored));
}

std::string storedPathFromQString(const QString& path) {
    const std::string utf8 = path.toStdString();
    // Paths stay CP949 in the store; one CP949 cannot spell is kept as it stands.
    return utf8ToCp949(utf8).value_or(utf8);
}

}  // namespace orb
