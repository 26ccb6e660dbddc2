// The content dialogs opened on items of their own kind and of another, confirmed and cancelled,
// with the bytes they hand back; the file checks' messages; phrase rendering; bad input.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>

#include "content/BmpFile.h"
#include "editor/dialogs/AnimationDialog.h"
#include "editor/dialogs/BitmapDialog.h"
#include "editor/dialogs/DdayDialog.h"
#include "editor/dialogs/DisplayTimeDialog.h"
#include "editor/dialogs/HeightDialog.h"
#include "editor/dialogs/HoldTimeDialog.h"
#include "editor/dialogs/PhraseDialog.h"
#include "editor/dialogs/PhraseRender.h"
#include "editor/dialogs/SentenceDialog.h"
#include "editor/dialogs/TitleSentenceDialog.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

using namespace orb;

namespace {

// Answers every message box and remembers what it said.
struct Messages {
    QStringList captions, texts;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    Messages() {
        setMessageHook([this](const QString& caption, const QString& text) {
            captions << caption;
            texts << text;
            return answer;
        });
    }
    ~Messages() { setMessageHook(nullptr); }
};

ItemHeader threeLines() {
    return ItemHeader::newItem(LayoutCode::ThreeLines, {1, 2, 1});
}

void writeBmp(const std::string& path, int w, int h, Rgb colour = {255, 0, 0}) {
    testing::BmpRecipe r;
    r.width = w;
    r.height = h;
    r.colour = [colour](int, int) { return colour; };
    testing::writeFileBytes(path, testing::makeBmp(r));
}

// Types text key by key, Hangul included, as a keyboard's input would arrive.
void typeInto(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

void typeIn(SentenceEditor* e, const QString& text) {
    typeInto(e->edit(), text);
}

}  // namespace

class ContentDialogsTest : public QObject {
    Q_OBJECT
    SignFonts fonts_;
    SignContext sign_;
    testing::TempDir dir_;

  private slots:
    void initTestCase() {
        std::string failed;
        QVERIFY(fonts_.loadFonts(ORB_FONT_DIR, failed));
        sign_ = {6, &fonts_, dir_.path().string()};
    }

    void sentenceTypedWithTheRadios() {
        ItemHeader h = threeLines();
        SentenceDialog d(h, LinePayload{}, 1, sign_);
        // Another kind: every effect 0, hold time "3", an empty edit.
        QCOMPARE(d.effects()->block(), (EffectBlock{0, 0, 0, 2, 0, 0, 0}));
        QVERIFY(d.editor()->isEmpty());
        typeIn(d.editor(), "A");
        d.editor()->radio(0, 1)->click();  // 초록색: the caret is at the end, typing takes it
        typeIn(d.editor(), QString::fromUtf8("가"));
        d.effects()->list(EffectBlockWidget::Field::Entry)->setCurrentIndex(2);
        d.effects()->list(EffectBlockWidget::Field::ExitSpeed)->setCurrentIndex(4);
        d.accept();
        QVERIFY(d.complete());
        const LinePayload& p = d.payload();
        QCOMPARE(p.bytes[0], uint8_t{0x41});
        QCOMPARE(p.bytes[1], uint8_t{0xB0});
        QCOMPARE(p.bytes[2], uint8_t{0xA1});
        QCOMPARE(p.bytes[3], uint8_t{0});
        QCOMPARE(p.attributeWord(0), uint16_t{0x00});
        QCOMPARE(p.attributeWord(1), uint16_t{0x40});
        QCOMPARE(d.header().bytes[6], uint8_t{1});  // kind of line 1
        QCOMPARE(d.header().effects(1), (EffectBlock{2, 0, 0, 2, 0, 0, 4}));
        // The LED preview lit green where the Hangul stands and red for the A.
        bool red = false, green = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 96; ++x) {
                red |= d.editor()->preview()->ledAt(x, y) == 1;
                green |= d.editor()->preview()->ledAt(x, y) == 2;
            }
        QVERIFY(red && green);
    }

    void sentenceReopenedAndCancelled() {
        ItemHeader h = threeLines();
        h.setKind(2, ContentKind::Sentence);
        h.setEffects(2, {5, 3, 4, 9, 1, 2, 3});
        LinePayload stored;
        QVERIFY(stored.setText("\xC7\xD1 B"));
        stored.setAttributeWord(0, 0x00AC);
        stored.setAttributeWord(2, 0x0094);
        stored.setAttributeWord(3, 0x0040);
        SentenceDialog d(h, stored, 2, sign_);
        QCOMPARE(d.effects()->block(), (EffectBlock{5, 3, 4, 9, 1, 2, 3}));
        QCOMPARE(d.editor()->edit()->toPlainText(), QString::fromUtf8("한 B"));
        d.accept();
        QCOMPARE(d.payload(), stored);  // decode then encode
        QCOMPARE(d.header(), h);

        SentenceDialog cancelled(h, stored, 2, sign_);
        cancelled.editor()->edit()->clear();
        cancelled.reject();
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QVERIFY(!cancelled.complete());

        SentenceDialog empty(h, stored, 2, sign_);
        empty.editor()->edit()->clear();
        empty.accept();
        QVERIFY(!empty.complete());  // an empty sentence is not stored
    }

    void sentenceWithoutGlyphsAsksOnce() {
        Messages m;
        SentenceDialog d(threeLines(), LinePayload{}, 1, sign_);
        typeIn(d.editor(), QString::fromUtf8("가똠☃"));
        QVERIFY(d.editor()->warning()->isVisibleTo(&d));
        QVERIFY(d.editor()->warning()->text().contains(QString::fromUtf8("똠")));
        QCOMPARE(d.editor()->edit()->extraSelections().size(), 2);
        m.answer = QMessageBox::No;
        d.accept();
        QCOMPARE(m.texts.size(), 1);
        QVERIFY(d.result() != QDialog::Accepted);
        m.answer = QMessageBox::Yes;
        d.accept();
        QCOMPARE(m.texts.size(), 2);
        QCOMPARE(d.payload().text(), std::string("\xB0\xA1\x8C\x63?"));
    }

    void pastedTextLosesControlsAndIsCut() {
        SentenceDialog d(threeLines(), LinePayload{}, 1, sign_);
        QApplication::clipboard()->setText(QString::fromUtf8("줄\n바꿈\t\x01끝\r"));
        d.editor()->edit()->paste();
        QCOMPARE(d.editor()->edit()->toPlainText(), QString::fromUtf8("줄바꿈끝"));
        d.editor()->edit()->clear();
        QApplication::clipboard()->setText(QString(10000, 'x'));
        d.editor()->edit()->paste();
        QVERIFY(d.editor()->warning()->text().contains("511"));
        d.accept();
        QCOMPARE(d.payload().text().size(), size_t{511});
    }

    void ddayStoresItsDate() {
        ItemHeader h = threeLines();
        h.setKind(2, ContentKind::Sentence);
        h.setEffects(2, {1, 2, 3, 4, 0, 1, 2});
        DdayDialog fresh(h, LinePayload{}, 2, sign_, nullptr, QDate(2026, 12, 8));
        QCOMPARE(fresh.date()->date(), QDate(2026, 12, 8));  // not a D-day yet: today
        fresh.date()->setDate(QDate(2026, 12, 25));
        typeIn(fresh.editor(), QString::fromUtf8("성탄절"));
        fresh.accept();
        const ItemHeader& out = fresh.header();
        QCOMPARE(out.bytes[61], uint8_t{0x07});
        QCOMPARE(out.bytes[62], uint8_t{0xEA});
        QCOMPARE(out.bytes[63], uint8_t{0x0C});
        QCOMPARE(out.bytes[64], uint8_t{0x19});
        QCOMPARE(out.kind(2), ContentKind::Dday);
        QCOMPARE(out.effects(2), h.effects(2));  // the sentence's effects stay
        QVERIFY(fresh.complete());

        DdayDialog again(out, fresh.payload(), 2, sign_, nullptr, QDate(2026, 12, 8));
        QCOMPARE(again.date()->date(), QDate(2026, 12, 25));
        QCOMPARE(again.editor()->payload(), fresh.payload());
    }

    void titleAndSentence() {
        ItemHeader h = ItemHeader::newItem(LayoutCode::TitleAndSentence, {1, 2, 0});
        TitleSentenceDialog d(h, LinePayload{}, LinePayload{}, sign_);
        QCOMPARE(d.effects()->block().holdTime, uint8_t{2});
        typeIn(d.titleEditor(), "T");
        d.accept();
        QVERIFY(!d.complete());  // both texts are needed
        typeIn(d.sentenceEditor(), "S");
        d.effects()->list(EffectBlockWidget::Field::Hold)->setCurrentIndex(7);
        d.accept();
        QVERIFY(d.complete());
        QCOMPARE(d.titlePayload().text(), std::string("T"));
        QCOMPARE(d.payload().text(), std::string("S"));
        QCOMPARE(d.header().kind(1), ContentKind::None);
        QCOMPARE(d.header().kind(2), ContentKind::Sentence);
        QCOMPARE(d.header().effects(2).hold, uint8_t{7});
    }

    void bitmapChecksAndStores() {
        Messages m;
        const std::string notBmp = dir_.file("text.bmp"), wide = dir_.file("wide.bmp"),
                          high = dir_.file("high.bmp"), fine = dir_.file("fine.txt"),
                          huge = dir_.file("huge.bmp");
        testing::writeFileBytes(notBmp, {'h', 'e', 'l', 'l', 'o'});
        writeBmp(wide, 801, 10);
        writeBmp(high, 20, 161);
        writeBmp(fine, 40, 16, {0, 255, 0});
        // A header claiming 30,000 x 30,000 pixels with no pixels behind it.
        testing::BmpRecipe tiny;
        tiny.colour = [](int, int) { return Rgb{}; };
        std::vector<uint8_t> claim = testing::makeBmp(tiny);
        testing::putLe(claim, 18, 30000, 4);
        testing::putLe(claim, 22, 30000, 4);
        testing::writeFileBytes(huge, claim);

        BitmapDialog d(threeLines(), LinePayload{}, 2, sign_);
        QVERIFY(!d.pick(QString::fromStdString(notBmp)));
        QVERIFY(!d.pick(QString::fromStdString(wide)));
        QVERIFY(!d.pick(QString::fromStdString(high)));
        QVERIFY(!d.pick(QString::fromStdString(huge)));
        QCOMPARE(m.texts, (QStringList{QString::fromUtf8("bmp파일이 아닙니다."),
                                       QString::fromUtf8("그림의 가로크기는 최대 800 입니다"),
                                       QString::fromUtf8("그림의 세로크기는 최대 160 입니다"),
                                       QString::fromUtf8("그림의 가로크기는 최대 800 입니다")}));
        QCOMPARE(m.captions.at(0), QString::fromUtf8("bmp파일만 가능"));
        QCOMPARE(m.captions.at(1), QString::fromUtf8("가로사이즈 초과"));
        QCOMPARE(m.captions.at(2), QString::fromUtf8("세로사이즈 초과"));
        d.accept();
        QVERIFY(!d.complete());  // the last choice was refused

        QVERIFY(d.pick(QString::fromStdString(fine)));  // any name, "BM" inside
        QCOMPARE(d.fileName()->text(), QString("fine.txt"));
        QCOMPARE(d.signView()->ledAt(0, 0), 2);  // green as the sign shows it
        QCOMPARE(d.signView()->ledAt(40, 0), 0);
        d.effects()->list(EffectBlockWidget::Field::Entry)->setCurrentIndex(2);  // scroll up
        QCOMPARE(d.effects()->list(EffectBlockWidget::Field::Entry)->count(), 11);
        QCOMPARE(d.effects()->list(EffectBlockWidget::Field::Entry)->currentText(),
                 QString::fromUtf8("3. 위로 지나가기(스크롤)"));
        d.accept();
        QVERIFY(d.complete());
        QCOMPARE(d.header().bytes[16], uint8_t{2});  // line 2's entry effect
        QCOMPARE(d.header().kind(2), ContentKind::Bitmap);
        QCOMPARE(d.header().pictureWidth(2), uint16_t{40});
        QCOMPARE(d.header().pictureHeight(2), uint16_t{16});
        QCOMPARE(d.payload().path(), fine);

        BitmapDialog again(d.header(), d.payload(), 2, sign_);
        QCOMPARE(again.path(), QString::fromStdString(fine));
        QCOMPARE(again.effects()->block().entry, uint8_t{2});
    }

    void animationLoadsAndCycles() {
        Messages m;
        const std::vector<Rgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}};
        testing::GifFrameSpec a;
        a.width = a.height = 8;
        a.indexes.assign(64, 1);
        testing::GifFrameSpec b = a;
        b.indexes.assign(64, 2);
        const std::string path = dir_.file("two.gif"), named = dir_.file("two.dat");
        testing::writeFileBytes(path, testing::makeGif(8, 8, palette, {a, b, a}));
        testing::writeFileBytes(named, testing::makeGif(8, 8, palette, {a, b}));

        AnimationDialog d(threeLines(), LinePayload{}, 3, sign_);
        QVERIFY(!d.pick(QString::fromStdString(named)));
        QCOMPARE(m.texts.value(0), QString::fromUtf8("GIF파일이 아닙니다"));
        QCOMPARE(m.captions.value(0), QString::fromUtf8("GIF파일아님"));
        const std::string broken = dir_.file("broken.gif");
        testing::writeFileBytes(broken, {'G', 'I', 'F', '8', '9', 'a'});
        QVERIFY(!d.pick(QString::fromStdString(broken)));
        QCOMPARE(m.texts.value(1), QString::fromUtf8("파일을 오픈할수 없습니다"));

        QVERIFY(d.pick(QString::fromStdString(path)));
        QCOMPARE(d.signView()->ledAt(0, 0), 1);  // frame 0, red
        d.tick();
        QCOMPARE(d.signView()->ledAt(0, 0), 2);  // frame 1, green
        d.tick();
        d.tick();
        QCOMPARE(d.signView()->ledAt(0, 0), 1);  // wrapped to frame 0
        d.speed()->setCurrentIndex(3);
        d.accept();
        QVERIFY(d.complete());
        QCOMPARE(d.header().kind(3), ContentKind::Animation);
        QCOMPARE(d.header().frameCount(3), uint16_t{3});
        QCOMPARE(d.header().animationSpeed(3), uint8_t{3});
        QCOMPARE(d.header().pictureWidth(3), uint16_t{8});
        QCOMPARE(d.header().bytes[23], uint8_t{0});  // the effect block is left as it was

        // 5,000 frames load without trouble.
        std::vector<testing::GifFrameSpec> many(5000, a);
        const std::string big = dir_.file("many.gif");
        testing::writeFileBytes(big, testing::makeGif(8, 8, palette, many));
        AnimationDialog large(threeLines(), LinePayload{}, 1, sign_);
        QVERIFY(large.pick(QString::fromStdString(big)));
        large.accept();
        QCOMPARE(large.header().frameCount(1), uint16_t{5000});
    }

    void clockAndTemperatureHoldTime() {
        ItemHeader h = threeLines();
        h.setKind(3, ContentKind::Clock);
        h.setEffects(3, {1, 2, 3, 6, 1, 1, 1});
        HoldTimeDialog d(ContentKind::Clock, h, 3, nullptr);
        QCOMPARE(d.holdTime()->currentIndex(), 6);  // header byte 26
        QCOMPARE(h.bytes[26], uint8_t{6});
        d.holdTime()->setCurrentIndex(9);
        d.accept();
        QCOMPARE(d.header().effects(3), (EffectBlock{1, 2, 3, 9, 1, 1, 1}));

        HoldTimeDialog t(ContentKind::Temperature, h, 3, nullptr);
        QCOMPARE(t.holdTime()->currentIndex(), 2);  // another kind: "3"
        t.accept();
        QCOMPARE(t.header().kind(3), ContentKind::Temperature);
        QCOMPARE(t.header().effects(3), (EffectBlock{1, 2, 3, 2, 1, 1, 1}));
    }

    void heightModes() {
        HeightDialog one(LayoutCode::OneLine, {3, 0, 0});
        QCOMPARE(one.lines(), 1);
        QCOMPARE(one.list(1)->currentText(), QString::fromUtf8("48픽셀"));
        HeightDialog title(LayoutCode::TitleAndSentence, {1, 9, 0});
        QCOMPARE(title.lines(), 2);
        QVERIFY(!title.findChildren<QLabel*>().isEmpty());
        QStringList labels;
        for (QLabel* l : title.findChildren<QLabel*>()) labels << l->text();
        QVERIFY(labels.contains(QString::fromUtf8("제목의 높이:")));
        QVERIFY(labels.contains(QString::fromUtf8("문장의 높이:")));
        HeightDialog three(LayoutCode::ThreeLines, {1, 2, 8});
        three.list(2)->setCurrentIndex(4);
        QCOMPARE(three.codes(), (std::array<uint8_t, 3>{1, 5, 8}));
        QCOMPARE(three.list(1)->count(), 8);
    }

    void displayTimeRule() {
        DisplayTimeDialog stored({10, 30}, {25, 0}, nullptr, QTime(14, 5));
        QCOMPARE(stored.startPicker()->time(), QTime(10, 30));
        QCOMPARE(stored.endPicker()->time(), QTime(14, 5));  // out of range: now
        stored.startPicker()->setTime(QTime(7, 45));
        QCOMPARE(stored.start(), (ClockTime{7, 45}));
        QCOMPARE(stored.end(), (ClockTime{14, 5}));
        DisplayTimeDialog minutes({0, 60}, {23, 59}, nullptr, QTime(9, 1));
        QCOMPARE(minutes.startPicker()->time(), QTime(9, 1));
        QCOMPARE(minutes.end(), (ClockTime{23, 59}));
    }

    void phraseRendersSavesAndReopens() {
        ItemHeader h = threeLines();
        PhraseDialog d(h, LinePayload{}, 1, sign_);
        const std::string folder = dir_.file("RTF");
        QCOMPARE(QString::fromStdString(d.names().rtf), QString::fromStdString(folder + "/001.rtf"));
        QCOMPARE(d.effects()->list(EffectBlockWidget::Field::Entry)->count(), 11);
        typeInto(d.edit(), QString::fromUtf8("Sign 가"));
        d.render();
        const QImage rendered = d.rendered();
        const QFontMetrics metrics(d.edit()->currentCharFormat().font());
        QVERIFY(std::abs(rendered.width() - metrics.horizontalAdvance(QString::fromUtf8("Sign 가"))) <= 2);
        QVERIFY(std::abs(rendered.height() - metrics.height()) <= 2);
        d.accept();
        QVERIFY(d.complete());
        QCOMPARE(d.header().kind(1), ContentKind::BitmapPhrase);
        QCOMPARE(int(d.header().pictureWidth(1)), rendered.width());
        QCOMPARE(int(d.header().pictureHeight(1)), rendered.height());
        QCOMPARE(d.payload().path(), folder + "/001.bmp");
        QCOMPARE(d.payload().rtfPath(), folder + "/001.rtf");
        ColourPlanes planes;
        QCOMPARE(BmpPlanes(d.payload().path(), planes), BmpResult::Ok);
        QCOMPARE(planes.width(), rendered.width());
        bool lit = false;
        for (int y = 0; y < planes.height(); ++y)
            for (int x = 0; x < planes.width(); ++x) lit |= planes.test(1, x, y) && !planes.test(2, x, y);
        QVERIFY(lit);  // red text

        // Reopened: the text and the picture come back; the offsets stop at the area's edges.
        PhraseDialog again(d.header(), d.payload(), 1, sign_);
        QCOMPARE(again.edit()->toPlainText(), QString::fromUtf8("Sign 가"));
        QCOMPARE(again.rendered().size(), rendered.size());
        QVERIFY(!again.move(PhraseDialog::Up));
        QVERIFY(!again.move(PhraseDialog::Left));
        while (again.move(PhraseDialog::Down)) {
        }
        QCOMPARE(again.offsetY() + rendered.height(), 176);
        QVERIFY(!again.move(PhraseDialog::Down));  // "하" does nothing at y + H = 176
        QVERIFY(again.move(PhraseDialog::Right));
        QCOMPARE(again.offsetX(), 1);

        // Numbering: 001 and 002 present, a new phrase gets 003.
        testing::writeFileBytes(folder + "/002.rtf", {'{', '\\', 'r', 't', 'f', '1', '}'});
        PhraseDialog third(h, LinePayload{}, 2, sign_);
        QCOMPARE(QString::fromStdString(third.names().bmp), QString::fromStdString(folder + "/003.bmp"));

        // A stored phrase whose RTF is not RTF opens as a new phrase.
        testing::writeFileBytes(folder + "/001.rtf", {'G', 'I', 'F'});
        PhraseDialog bad(d.header(), d.payload(), 1, sign_);
        QVERIFY(bad.edit()->toPlainText().isEmpty());
        QCOMPARE(QString::fromStdString(bad.names().rtf), QString::fromStdString(folder + "/003.rtf"));
    }

    void phraseCancelWritesNothing() {
        testing::TempDir other;
        SignContext sign = sign_;
        sign.workingFolder = other.path().string();
        PhraseDialog d(threeLines(), LinePayload{}, 1, sign);
        QTest::keyClicks(d.edit(), "x");
        d.render();
        d.reject();
        QVERIFY(!std::filesystem::exists(other.file("RTF/001.rtf")));
    }
};

QTEST_MAIN(ContentDialogsTest)
#include "ContentDialogsTest.moc"
