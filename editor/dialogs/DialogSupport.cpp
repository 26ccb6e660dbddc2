#include "editor/dialogs/DialogSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QSettings>
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

QMessageBox::Icon iconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Question:
            return QMessageBox::Question;
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Critical:
            break;
    }
    return QMessageBox::Critical;
}

void keepCaptionWhole(QMessageBox& box) {
    // Title bars draw in a bold face, often a wider one than the window's; the frame's icon, its
    // three buttons and their padding take about eight lines' height beside the caption, at any
    // scale.
    QFont bold = box.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int width = metrics.horizontalAdvance(box.windowTitle()) * 5 / 4 + 8 * metrics.height();
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    // QMessageBox sizes itself from its layout's minimum, so a spacer across the last row holds.
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(),
                  0, 1, grid->columnCount());
}

std::unique_ptr<QMessageBox> messageBox(QWidget* parent, MessageKind kind, const QString& caption,
                                        const QString& text) {
    auto box = std::make_unique<QMessageBox>(iconOf(kind), caption, text, QMessageBox::NoButton, parent);
    if (kind == MessageKind::Question) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::No);
    } else {
        box->addButton(QString::fromUtf8("확인"), QMessageBox::AcceptRole);
    }
    keepCaptionWhole(*box);
    return box;
}

QMessageBox::StandardButton showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                                        const QString& text) {
    if (hook()) return hook()(kind, caption, text);
    const std::unique_ptr<QMessageBox> box = messageBox(parent, kind, caption, text);
    const int answer = box->exec();
    return kind == MessageKind::Question ? static_cast<QMessageBox::StandardButton>(answer) : QMessageBox::Ok;
}

void setMessageHook(MessageHook h) {
    hook() = std::move(h);
}

namespace {
std::unique_ptr<QSettings> userSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "orb",
                                       QCoreApplication::applicationName());
}
}  // namespace

QString lastFolder(const QString& kind) {
    const QString folder = userSettings()->value("folders/" + kind).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void rememberFolder(const QString& kind, const QString& chosenFile) {
    if (!chosenFile.isEmpty())
        userSettings()->setValue("folders/" + kind, QFileInfo(chosenFile).absolutePath());
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
