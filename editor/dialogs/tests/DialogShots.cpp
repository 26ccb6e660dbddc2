// Draws every content dialog as a person sees it, filled with a sample line, and the item's
// height and display time dialogs: "dialog_shots OUTDIR FONTDIR" writes one PNG per dialog.
// Run it under xvfb-run.
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTimer>
#include <functional>

#include "editor/app/HeightDialog.h"
#include "editor/app/KoreanLocale.h"
#include "editor/app/TimePairDialog.h"
#include "editor/dialogs/AnimationDialog.h"
#include "editor/dialogs/BitmapDialog.h"
#include "editor/dialogs/DdayDialog.h"
#include "editor/dialogs/HoldTimeDialog.h"
#include "editor/dialogs/PhraseDialog.h"
#include "editor/dialogs/SentenceDialog.h"
#include "editor/dialogs/TitleSentenceDialog.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

using namespace orb;

namespace {

void type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

void shoot(QWidget& dialog, const QString& path) {
    dialog.show();
    dialog.adjustSize();
    QApplication::processEvents();
    QApplication::processEvents();
    dialog.grab().save(path);
    dialog.hide();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    installQtKorean(app);
    useKoreanFont(app);
    if (argc != 3) return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    SignFonts fonts;
    std::string failed;
    if (!fonts.loadFonts(argv[2], failed)) return 1;
    testing::TempDir dir;
    const SignContext sign{10, &fonts, dir.path().string()};
    setMessageHook([](MessageKind, const QString&, const QString&) { return QMessageBox::Yes; });

    ItemRecord item;
    item.header = ItemHeader::newItem(LayoutCode::ThreeLines, {1, 2, 1});

    {
        SentenceDialog d(dialogStart(item, 2, ContentKind::Sentence), 2, 2, sign);
        type(d.editor()->edit(), "LED ");
        d.editor()->radio(0, 1)->click();
        type(d.editor()->edit(), QString::fromUtf8("전광판 "));
        d.editor()->radio(0, 2)->click();
        d.editor()->radio(2, 1)->click();
        type(d.editor()->edit(), QString::fromUtf8("안내똠"));
        shoot(d, out + "/sentence.png");
    }
    {
        DdayDialog d(dialogStart(item, 1, ContentKind::Dday), 1, 1, sign, nullptr, QDate(2026, 12, 8));
        d.date()->setDate(QDate(2026, 12, 25));
        type(d.editor()->edit(), QString::fromUtf8("성탄절"));
        shoot(d, out + "/dday.png");
    }
    {
        ItemRecord ts;
        ts.header = ItemHeader::newItem(LayoutCode::TitleAndSentence, {1, 2, 0});
        TitleSentenceDialog d(titleSentenceStart(ts), 1, 2, sign);
        type(d.titleEditor()->edit(), QString::fromUtf8("공지"));
        d.sentenceEditor()->radio(1, 3)->click();
        d.sentenceEditor()->radio(0, 0)->click();
        type(d.sentenceEditor()->edit(), QString::fromUtf8("오늘 휴무"));
        shoot(d, out + "/title-sentence.png");
    }
    {
        testing::BmpRecipe r;
        r.width = 160;
        r.height = 32;
        r.colour = [](int x, int y) {
            return x < 40    ? Rgb{255, 0, 0}
                   : x < 80  ? Rgb{0, 255, 0}
                   : x < 120 ? Rgb{255, 255, 0}
                             : Rgb{(uint8_t)(y * 8), 0, 255};
        };
        const std::string path = dir.file("stripes.bmp");
        testing::writeFileBytes(path, testing::makeBmp(r));
        BitmapDialog d(dialogStart(item, 2, ContentKind::Bitmap), 2, 2, sign);
        d.pick(QString::fromStdString(path));
        shoot(d, out + "/bitmap.png");
    }
    {
        const std::vector<Rgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}};
        std::vector<testing::GifFrameSpec> frames;
        for (int f = 0; f < 4; ++f) {
            testing::GifFrameSpec s;
            s.width = 40;
            s.height = 16;
            s.indexes.resize(40 * 16);
            for (int i = 0; i < 40 * 16; ++i)
                s.indexes[static_cast<size_t>(i)] = static_cast<uint8_t>(((i % 40) / 10 + f) % 4);
            frames.push_back(s);
        }
        const std::string path = dir.file("bands.gif");
        testing::writeFileBytes(path, testing::makeGif(40, 16, palette, frames));
        AnimationDialog d(dialogStart(item, 1, ContentKind::Animation), 1, 1, sign);
        d.pick(QString::fromStdString(path));
        d.tick();
        shoot(d, out + "/animation.png");
    }
    {
        HoldTimeDialog d(dialogStart(item, 3, ContentKind::Clock), 3);
        shoot(d, out + "/clock.png");
        HoldTimeDialog t(dialogStart(item, 3, ContentKind::Temperature), 3);
        shoot(t, out + "/temperature.png");
    }
    {
        PhraseDialog d(dialogStart(item, 2, ContentKind::BitmapPhrase), 2, 2, sign);
        type(d.edit(), QString::fromUtf8("비트맵 문구 Phrase"));
        d.render();
        for (int i = 0; i < 6; ++i) d.move(PhraseDialog::Down);
        shoot(d, out + "/phrase.png");
    }
    {
        HeightDialog d(LayoutCode::ThreeLines, {1, 2, 1});
        shoot(d, out + "/height.png");
        TimePairDialog t(kDisplayTimeTexts, ClockTime{9, 0}, ClockTime{18, 0});
        shoot(t, out + "/display-time.png");
    }
    return 0;
}
