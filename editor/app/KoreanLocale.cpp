#include "editor/app/KoreanLocale.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <cstring>

namespace orb {

namespace {

bool startsWithKo(const char* value) {
    return value && std::strncmp(value, "ko", 2) == 0;
}

}  // namespace

bool koreanLocale() {
    // The first variable that is set decides, as the C library reads them.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return startsWithKo(value);
    }
    return QLocale::system().language() == QLocale::Korean;
}

bool installQtKorean(QApplication& app) {
    if (!koreanLocale()) return false;
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Korean), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QApplication::installTranslator(translator);
    return true;
}

QString useKoreanFont(QApplication& app) {
    const QStringList families = QFontDatabase::families();
    for (const char* face : {"NanumGothic", "NanumBarunGothic", "NanumSquare"}) {
        if (!families.contains(face)) continue;
        QFont font(face);
        font.setPointSize(app.font().pointSize() > 0 ? app.font().pointSize() : 10);
        QApplication::setFont(font);
        return face;
    }
    return app.font().family();
}

}  // namespace orb
