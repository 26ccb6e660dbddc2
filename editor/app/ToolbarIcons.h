#pragma once
// The toolbar's pictures, drawn at 32 x 32 by our own small painters (no icon theme is needed).
#include <QIcon>

namespace orb {

enum class ToolIcon {
    Open,
    Save,
    SaveAs,
    New,
    SignSize,
    Cut,
    Paste,
    Delete,
    AddOneLine,
    AddTwoLines,
    AddThreeLines,
    AddTitleAndSentence,
    Preview,
    Clock,
    PortSettings,
    IpSettings,
};

QIcon toolIcon(ToolIcon icon);

}  // namespace orb
