#pragma once
// Korean for what Qt itself shows (file dialogs, standard buttons) when the system speaks Korean,
// and a Korean face for the whole window so Hangul never shows as boxes.
#include <QString>

class QApplication;

namespace orb {

// Whether the locale (or LANG, LC_ALL, LC_MESSAGES when set) is Korean.
bool koreanLocale();

// Installs Qt's own Korean translation when the locale is Korean; returns whether one was loaded.
bool installQtKorean(QApplication& app);

// Sets the application font to a Nanum face when one is installed; returns the family used.
QString useKoreanFont(QApplication& app);

}  // namespace orb
