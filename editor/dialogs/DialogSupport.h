#pragma once
// What every content dialog needs besides the item: the sign's size and fonts, the working
// folder, and the one way they show a message box (tests answer it instead of a person).
#include <QMessageBox>
#include <QString>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "editor/core/MessageKind.h"
#include "simulator/engine/SignFonts.h"

class QWidget;

namespace orb {

struct SignContext {
    int signColumns = 6;               // modules across
    const SignFonts* fonts = nullptr;  // loaded sign fonts, or none: the previews stay dark
    std::string workingFolder;         // holds "RTF/"
    // The sign's LED rows and the row the dialog's line starts on: the previews show what of the
    // line the sign shows. 0 rows: no sign known, the whole line.
    int signRows = 0;
    int lineTop = 0;

    // The rows of a line of HEIGHT_CODE that lie on the sign (the engine draws the rest below it).
    int rowsShown(int heightCode) const {
        const int rows = 16 * heightCode;
        return signRows <= 0 ? rows : std::clamp(signRows - lineTop, 0, rows);
    }
};

// The icon of a message of KIND.
QMessageBox::Icon iconOf(MessageKind kind);
// Widens BOX so that a window manager's title bar has room for its whole caption beside the
// frame's icon and buttons (a short text makes a box too narrow for it).
void keepCaptionWhole(QMessageBox& box);
// The editor's message box: the icon of KIND, one "확인" button (Yes and No for a question, No
// the default), the whole caption. Not shown yet.
std::unique_ptr<QMessageBox> messageBox(QWidget* parent, MessageKind kind, const QString& caption,
                                        const QString& text);
// Shows it and returns the answer (Ok for anything but a question).
QMessageBox::StandardButton showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                                        const QString& text);
// Tests replace the box: the hook gets kind, caption and text and gives the answer.
using MessageHook = std::function<QMessageBox::StandardButton(MessageKind, const QString&, const QString&)>;
void setMessageHook(MessageHook hook);

// The folder a file dialog for files of KIND ("bitmap", "animation", "project") starts in: the
// one a file of that kind was last chosen from, kept in the user's settings; else the working
// folder of the process.
QString lastFolder(const QString& kind);
void rememberFolder(const QString& kind, const QString& chosenFile);

// The installed face the editor shows a sign typeface (0..3) with: the face fontgen draws that
// sign font from, so that the edit looks like the sign.
QString signFaceFamily(int typeface);

// A stored path (CP949, as the item store keeps it) for the file system and the window, and back.
QString storedPathToQString(const std::string& stored);
std::string storedPathFromQString(const QString& path);

}  // namespace orb
