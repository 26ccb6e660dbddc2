#pragma once
// What every content dialog needs besides the item: the sign's size and fonts, the working
// folder, and the one way they show a message box (tests answer it instead of a person).
#include <QMessageBox>
#include <QString>
#include <functional>
#include <string>

#include "simulator/engine/SignFonts.h"

class QWidget;

namespace orb {

struct SignContext {
    int signColumns = 6;               // modules across
    const SignFonts* fonts = nullptr;  // loaded sign fonts, or none: the previews stay dark
    std::string workingFolder;         // holds "RTF/"
};

// Shows a message box with one OK button (or Yes and No when asking) and returns the answer.
QMessageBox::StandardButton showMessage(QWidget* parent, const QString& caption, const QString& text,
                                        bool ask = false);
// Tests replace the box: the hook gets caption and text and gives the answer.
using MessageHook = std::function<QMessageBox::StandardButton(const QString&, const QString&)>;
void setMessageHook(MessageHook hook);

// The installed face the editor shows a sign typeface (0..3) with: the face fontgen draws that
// sign font from, so that the edit looks like the sign.
QString signFaceFamily(int typeface);

// A stored path (CP949, as the item store keeps it) for the file system and the window, and back.
QString storedPathToQString(const std::string& stored);
std::string storedPathFromQString(const QString& path);

}  // namespace orb
