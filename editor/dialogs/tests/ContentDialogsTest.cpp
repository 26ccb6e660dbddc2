// The content dialogs opened on items of their own kind and of another, confirmed and cancelled,
// with the bytes they hand back; the file checks' messages; phrase rendering; bad input.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <functional>
#include <utility>

#include "content/BmpFile.h"
#include "editor/dialogs/AnimationDialog.h"
#include "editor/dialogs/BitmapDialog.h"
#include "editor/dialogs/DdayDialog.h"
#include "editor/dialogs/HoldTimeDialog.h"
#include "editor/dialogs/LedView.h"
#include "editor/dialogs/LineDialogs.h"
#include "editor/dialogs/PhraseDialog.h"
#include "editor/dialogs/PhraseRender.h"
#include "editor/dialogs/SentenceDialog.h"
#include "editor/dialogs/TitleSentenceDialog.h"
#include "simulator/engine/ImageSource.h"
#include "simulator/engine/SignEngine.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestImage.h"

using namespace orb;

namespace {

// Outside a Messages, a message box is a failure of the test (and never waits for a person).
QStringList unexpectedMessages;
void refuseMessages() {
    setMessageHook([](MessageKind, const QString&, const QString& text) {
        unexpectedMessages << text;
        return QMessageBox::No;
    });
}

// Answers every message box and remembers what it said.
struct Messages {
    QStringList captions, texts;
    std::vector<MessageKind> kinds;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    Messages() {
        setMessageHook([this](MessageKind kind, const QString& caption, const QString& text) {
            kinds.push_back(kind);
            captions << caption;
            texts << text;
            return answer;
        });
    }
    ~Messages() { refuseMessages(); }
};

ItemRecord threeLines() {
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::ThreeLines, {1, 2, 1});
    return r;
}

// What the edit command writes into the record on OK.
ItemRecord stored(ItemRecord r, int line, const LineDialog& d) {
    if (d.complete()) applyLineContent(r, line, d.content());
    return r;
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

// Answers every file dialog that opens, in turn with the files queued (cancelled when none is
// left), and remembers the folder each one started in.
struct FileDialogAnswers {
    QStringList files, startFolders;
    QTimer timer;
    FileDialogAnswers() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            startFolders << dialog->directory().absolutePath();
            if (files.isEmpty()) return dialog->reject();
            // selectFile leaves the name field alone while it has the focus
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) name->clearFocus();
            dialog->selectFile(files.takeFirst());
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
        });
        timer.start(10);
    }
};

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
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_.file("config")));
        refuseMessages();
    }
    void cleanup() {
        const QStringList unexpected = std::exchange(unexpectedMessages, {});
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(" | ")));
    }

    void sentenceTypedWithTheRadios() {
        const ItemRecord item = threeLines();
        SentenceDialog d(dialogStart(item, 1, ContentKind::Sentence), 1, 1, sign_);
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
        const ItemRecord out = stored(item, 1, d);
        const LinePayload& p = out.line(1);
        QCOMPARE(p.bytes[0], uint8_t{0x41});
        QCOMPARE(p.bytes[1], uint8_t{0xB0});
        QCOMPARE(p.bytes[2], uint8_t{0xA1});
        QCOMPARE(p.bytes[3], uint8_t{0});
        QCOMPARE(p.attributeWord(0), uint16_t{0x00});
        QCOMPARE(p.attributeWord(1), uint16_t{0x40});
        QCOMPARE(out.header.bytes[6], uint8_t{1});  // kind of line 1
        const std::array<uint8_t, 7> block = {2, 0, 0, 2, 0, 0, 4};
        QVERIFY(std::equal(block.begin(), block.end(), out.header.bytes.begin() + 9));
        // The LED preview lit green where the Hangul stands and red for the A.
        bool red = false, green = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 96; ++x) {
                red |= d.editor()->preview()->ledAt(x, y) == 1;
                green |= d.editor()->preview()->ledAt(x, y) == 2;
            }
        QVERIFY(red && green);
    }

    void radiosOnSelectionThenAtTheEnd() {
        SentenceDialog d(dialogStart(threeLines(), 1, ContentKind::Sentence), 1, 1, sign_);
        typeIn(d.editor(), "ab");
        // Two radios in a row at the end: both hold for what is typed next.
        d.editor()->radio(0, 2)->click();  // 노랑색
        d.editor()->radio(2, 3)->click();  // 매직체
        typeIn(d.editor(), "c");
        // A selection takes the property, and so does the end of the text.
        QTextCursor c = d.editor()->edit()->textCursor();
        c.setPosition(0);
        c.setPosition(1, QTextCursor::KeepAnchor);
        d.editor()->edit()->setTextCursor(c);
        d.editor()->radio(1, 2)->click();  // 초록색 background
        typeIn(d.editor(), "d");
        const LinePayload p = d.editor()->payload();
        QCOMPARE(p.text(), std::string("abcd"));
        QCOMPARE(p.attributeWord(0), uint16_t{0x20});         // red on green
        QCOMPARE(p.attributeWord(1), uint16_t{0x00});         // untouched
        QCOMPARE(p.attributeWord(2), uint16_t{0x8C});         // yellow, 매직체
        QCOMPARE(p.attributeWord(3), uint16_t{0x8C | 0x20});  // and the green background at the end
        // The edit shows each typeface in the face its sign font was made from.
        QTextCursor third(d.editor()->edit()->document());
        third.setPosition(3);
        QCOMPARE(third.charFormat().fontFamilies().toStringList().value(0), signFaceFamily(3));
    }

    // The frame the sign's engine shows a few line steps after NOW, playing a one-line item of
    // HEIGHT modules whose line is PAYLOAD of KIND (a D-day on DATE), on a sign of SIGN_HEIGHT
    // modules (0: as high as the line).
    std::unique_ptr<PlanePair> engineFrame(uint8_t height, ContentKind kind, const LinePayload& payload,
                                           const LocalDateTime& now, DdayDate date = {},
                                           uint8_t signHeight = 0) {
        testing::TestImage image;
        image.header(10, signHeight > 0 ? signHeight : height, 1);
        ItemHeader h = testing::itemHeader(LayoutCode::OneLine, {height, 0, 0},
                                           {kind, ContentKind::None, ContentKind::None});
        h.setDdayDate(1, date);
        image.item(0, h);
        std::copy(payload.bytes.begin(), payload.bytes.end(), image.bytes.begin() + 5120 * 512);
        MemoryImageSource source(image.bytes);
        SignEngine engine(source, fonts_);
        engine.start(0, now);
        for (int step = 0; step < 3; ++step) engine.pass(engine.nextDeadline(), now);
        return std::make_unique<PlanePair>(engine.frontFrame());
    }

    // The preview equals the engine's frame on the line's rows (of a 10-module sign), and lights some.
    static void expectSameLeds(const PlanePair& preview, const PlanePair& frame, int height) {
        int lit = 0;
        for (int y = 0; y < 16 * height; ++y)
            for (int x = 0; x < 160; ++x) {
                QCOMPARE(preview.red.pixel(x, y), frame.red.pixel(x, y));
                QCOMPARE(preview.green.pixel(x, y), frame.green.pixel(x, y));
                lit += frame.red.pixel(x, y) || frame.green.pixel(x, y);
            }
        QVERIFY(lit > 50);
    }

    // The preview under the edit is the frame the sign's engine shows for the same line.
    void previewMatchesTheEngine() {
        for (uint8_t height : {uint8_t{1}, uint8_t{2}, uint8_t{3}}) {
            LinePayload p;
            QVERIFY(p.setText("A\xB0\xA1 Z"));  // A가 Z
            p.setAttributeWord(0, 0x0040);
            p.setAttributeWord(1, 0x00AC);
            p.setAttributeWord(3, 0x0014);
            p.setAttributeWord(4, 0x0088);
            const auto frame = engineFrame(height, ContentKind::Sentence, p, {2026, 12, 6, 14, 5, 0});
            auto preview = std::make_unique<PlanePair>();
            drawSentencePreview(fonts_, {10, height}, p, *preview);
            expectSameLeds(*preview, *frame, height);
        }
    }

    // A line taller than the sign: the preview shows the rows the sign shows as its engine draws
    // them, and no LED below the sign's last row; a line that starts below the sign shows none.
    void previewsShowOnlyWhatLiesOnTheSign() {
        LinePayload p;
        QVERIFY(p.setText("A\xB0\xA1 Z"));  // A가 Z
        p.setAttributeWord(0, 0x0040);
        p.setAttributeWord(1, 0x00AC);
        const uint8_t lineHeight = 3, signHeight = 2;
        const auto frame =
            engineFrame(lineHeight, ContentKind::Sentence, p, {2026, 12, 6, 14, 5, 0}, {}, signHeight);
        ItemRecord item;
        item.header = ItemHeader::newItem(LayoutCode::OneLine, {lineHeight, 0, 0});
        item.header.setKind(1, ContentKind::Sentence);
        item.line(1) = p;
        SignContext sign = sign_;
        sign.signColumns = 10;
        sign.signRows = 16 * signHeight;
        SentenceDialog d(dialogStart(item, 1, ContentKind::Sentence), 1, lineHeight, sign);
        const LedView& shown = *d.editor()->preview();
        QCOMPARE(shown.ledHeight(), 16 * lineHeight);
        int lit = 0;
        for (int y = 0; y < shown.ledHeight(); ++y)
            for (int x = 0; x < shown.ledWidth(); ++x) {
                const int expected =
                    y < 16 * signHeight ? frame->red.pixel(x, y) + 2 * frame->green.pixel(x, y) : 0;
                QCOMPARE(shown.ledAt(x, y), expected);
                lit += expected != 0;
            }
        QVERIFY(lit > 50);

        // Line 2 of 1 + 2 modules on a sign of 2: its upper half only.
        const std::string picture = dir_.file("tall.bmp");
        writeBmp(picture, 40, 32);
        BitmapDialog b(dialogStart(threeLines(), 2, ContentKind::Bitmap), 2, 2, sign);
        sign.lineTop = 16;
        BitmapDialog lower(dialogStart(threeLines(), 2, ContentKind::Bitmap), 2, 2, sign);
        QVERIFY(b.pick(QString::fromStdString(picture)) && lower.pick(QString::fromStdString(picture)));
        QCOMPARE(b.signView()->ledAt(0, 31), 1);
        QCOMPARE(lower.signView()->ledAt(0, 15), 1);
        QCOMPARE(lower.signView()->ledAt(0, 16), 0);

        // The sentence of a title and sentence starts under its title: on a sign of one module,
        // none of it is shown.
        sign.signRows = 16;
        sign.lineTop = 0;
        ItemRecord both;
        both.header = ItemHeader::newItem(LayoutCode::TitleAndSentence, {1, 1, 0});
        TitleSentenceDialog t(titleSentenceStart(both), 1, 1, sign);
        typeIn(t.titleEditor(), "TTT");
        typeIn(t.sentenceEditor(), "SSS");
        auto litOf = [](const LedView& v) {
            int n = 0;
            for (int y = 0; y < v.ledHeight(); ++y)
                for (int x = 0; x < v.ledWidth(); ++x) n += v.ledAt(x, y) != 0;
            return n;
        };
        QVERIFY(litOf(*t.titleEditor()->preview()) > 10);
        QCOMPARE(litOf(*t.sentenceEditor()->preview()), 0);
    }

    // The D-day preview too: its text and its count, inline on one module and on a row of its own
    // on higher lines, before the date, on it, after it, and past the sign's last counted year.
    void ddayPreviewMatchesTheEngine_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<QDate>("date");
        for (int height : {1, 2, 3, 4})
            for (QDate date :
                 {QDate(2026, 12, 25), QDate(2026, 12, 6), QDate(2026, 11, 30), QDate(2101, 1, 1)})
                QTest::newRow(
                    qPrintable(QString("%1 modules, %2").arg(height).arg(date.toString(Qt::ISODate))))
                    << height << date;
    }
    void ddayPreviewMatchesTheEngine() {
        QFETCH(int, height);
        QFETCH(QDate, date);
        LinePayload p;
        QVERIFY(p.setText("\xBC\xBA\xC5\xBA A"));  // 성탄 A
        p.setAttributeWord(0, 0x0040);
        p.setAttributeWord(5, 0x00AC);
        const DdayDate target{uint16_t(date.year()), uint8_t(date.month()), uint8_t(date.day())};
        const LocalDateTime now{2026, 12, 6, 14, 5, 0};
        const auto frame = engineFrame(uint8_t(height), ContentKind::Dday, p, now, target);
        auto preview = std::make_unique<PlanePair>();
        drawDdayPreview(fonts_, {10, height}, p, readClock(now), target, *preview);
        expectSameLeds(*preview, *frame, height);

        // And the dialog draws it so for that date.
        ItemRecord item = threeLines();
        item.header.setKind(1, ContentKind::Dday);
        item.header.setDdayDate(1, target);
        item.line(1) = p;
        DdayDialog d(dialogStart(item, 1, ContentKind::Dday), 1, height, sign_, nullptr, QDate(2026, 12, 6));
        drawDdayPreview(fonts_, {sign_.signColumns, height}, p, readClock(now), target, *preview);
        const LedView& shown = *d.editor()->preview();
        QCOMPARE(shown.ledHeight(), 16 * height);
        for (int y = 0; y < shown.ledHeight(); ++y)
            for (int x = 0; x < shown.ledWidth(); ++x)
                QCOMPARE(shown.ledAt(x, y), preview->red.pixel(x, y) + 2 * preview->green.pixel(x, y));
    }

    // The radios show the character at the caret and what a selection has in common; Tab leaves
    // the edit for the radios instead of typing a tab that would not be stored.
    void radiosFollowTheCaretAndTabMovesOn() {
        SentenceDialog d(dialogStart(threeLines(), 1, ContentKind::Sentence), 1, 1, sign_);
        d.show();
        QApplication::setActiveWindow(&d);
        typeIn(d.editor(), "A");
        d.editor()->radio(0, 1)->click();  // 초록색 from here on
        typeIn(d.editor(), "B");
        QTextEdit* edit = d.editor()->edit();
        auto caretAt = [edit](int position, int anchor = -1) {
            QTextCursor c = edit->textCursor();
            c.setPosition(anchor < 0 ? position : anchor);
            if (anchor >= 0) c.setPosition(position, QTextCursor::KeepAnchor);
            edit->setTextCursor(c);
        };
        caretAt(1);  // after the red A
        QVERIFY(d.editor()->radio(0, 0)->isChecked());
        caretAt(2);  // after the green B
        QVERIFY(d.editor()->radio(0, 1)->isChecked());
        caretAt(2, 0);  // both: red and green, black on both
        for (int i = 0; i < 4; ++i) QVERIFY(!d.editor()->radio(0, i)->isChecked());
        QVERIFY(d.editor()->radio(1, 0)->isChecked());
        QVERIFY(d.editor()->radio(2, 0)->isChecked());

        caretAt(2);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(edit->toPlainText(), QString("AB"));
        QVERIFY(!edit->hasFocus());
    }

    void sentenceReopenedAndCancelled() {
        ItemRecord item = threeLines();
        item.header.setKind(2, ContentKind::Sentence);
        item.header.setEffects(2, {5, 3, 4, 9, 1, 2, 3});
        LinePayload& text = item.line(2);
        QVERIFY(text.setText("\xC7\xD1 B"));
        text.setAttributeWord(0, 0x00AC);
        text.setAttributeWord(2, 0x0094);
        text.setAttributeWord(3, 0x0040);
        const LineContent start = dialogStart(item, 2, ContentKind::Sentence);
        SentenceDialog d(start, 2, 2, sign_);
        QCOMPARE(d.effects()->block(), (EffectBlock{5, 3, 4, 9, 1, 2, 3}));
        QCOMPARE(d.editor()->edit()->toPlainText(), QString::fromUtf8("한 B"));
        d.accept();
        QCOMPARE(stored(item, 2, d), item);  // decode then encode: the same bytes

        SentenceDialog cancelled(start, 2, 2, sign_);
        cancelled.editor()->edit()->clear();
        cancelled.reject();
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QVERIFY(!cancelled.complete());

        Messages m;
        SentenceDialog empty(start, 2, 2, sign_);
        empty.editor()->edit()->clear();
        empty.accept();
        QVERIFY(!empty.complete());  // an empty sentence is not stored: OK says so
        QCOMPARE(m.texts.size(), 1);
        QCOMPARE(stored(item, 2, empty), item);
    }

    void sentenceWithoutGlyphsAsksOnce() {
        Messages m;
        SentenceDialog d(dialogStart(threeLines(), 1, ContentKind::Sentence), 1, 1, sign_);
        typeIn(d.editor(), QString::fromUtf8("가똠☃"));
        QVERIFY(d.editor()->warning()->isVisibleTo(&d));
        QVERIFY(d.editor()->warning()->text().contains(QString::fromUtf8("똠")));
        QCOMPARE(d.editor()->edit()->extraSelections().size(), 2);
        m.answer = QMessageBox::No;
        d.accept();
        QCOMPARE(m.texts.size(), 1);
        QCOMPARE(m.kinds.back(), MessageKind::Question);
        QVERIFY(d.result() != QDialog::Accepted);
        m.answer = QMessageBox::Yes;
        d.accept();
        QCOMPARE(m.texts.size(), 2);
        QCOMPARE(d.content().payload.text(), std::string("\xB0\xA1\x8C\x63?"));
    }

    void pastedTextLosesControlsAndIsCut() {
        SentenceDialog d(dialogStart(threeLines(), 1, ContentKind::Sentence), 1, 1, sign_);
        QApplication::clipboard()->setText(QString::fromUtf8("줄\n바꿈\t\x01끝\r"));
        d.editor()->edit()->paste();
        QCOMPARE(d.editor()->edit()->toPlainText(), QString::fromUtf8("줄바꿈끝"));
        d.editor()->edit()->clear();
        QApplication::clipboard()->setText(QString(10000, 'x'));
        d.editor()->edit()->paste();
        QVERIFY(d.editor()->warning()->text().contains("511"));
        d.accept();
        QCOMPARE(d.content().payload.text().size(), size_t{511});
    }

    void ddayStoresItsDate() {
        ItemRecord item = threeLines();
        item.header.setKind(2, ContentKind::Sentence);
        item.header.setEffects(2, {1, 2, 3, 4, 0, 1, 2});
        DdayDialog fresh(dialogStart(item, 2, ContentKind::Dday), 2, 2, sign_, nullptr, QDate(2026, 12, 8));
        QCOMPARE(fresh.date()->date(), QDate(2026, 12, 8));  // not a D-day yet: today
        fresh.date()->setDate(QDate(2026, 12, 25));
        typeIn(fresh.editor(), QString::fromUtf8("성탄절"));
        fresh.accept();
        const ItemRecord record = stored(item, 2, fresh);
        const ItemHeader& out = record.header;
        QCOMPARE(out.bytes[61], uint8_t{0x07});
        QCOMPARE(out.bytes[62], uint8_t{0xEA});
        QCOMPARE(out.bytes[63], uint8_t{0x0C});
        QCOMPARE(out.bytes[64], uint8_t{0x19});
        QCOMPARE(out.kind(2), ContentKind::Dday);
        QCOMPARE(out.effects(2), item.header.effects(2));  // the sentence's effects stay
        QVERIFY(fresh.complete());

        DdayDialog again(dialogStart(record, 2, ContentKind::Dday), 2, 2, sign_, nullptr, QDate(2026, 12, 8));
        QCOMPARE(again.date()->date(), QDate(2026, 12, 25));
        QCOMPARE(again.editor()->payload(), record.line(2));
    }

    void titleAndSentence() {
        ItemRecord item;
        item.header = ItemHeader::newItem(LayoutCode::TitleAndSentence, {1, 2, 0});
        TitleSentenceDialog d(titleSentenceStart(item), 1, 2, sign_);
        QCOMPARE(d.effects()->block().holdTime, uint8_t{2});
        typeIn(d.titleEditor(), "T");
        {
            Messages m;
            d.accept();
            QVERIFY(!d.complete());  // both texts are needed
            QCOMPARE(m.texts, QStringList{QString::fromUtf8("문장을 입력하십시오")});
        }
        typeIn(d.sentenceEditor(), "S");
        d.effects()->list(EffectBlockWidget::Field::Hold)->setCurrentIndex(7);
        d.accept();
        QVERIFY(d.complete());
        applyTitleSentence(item, d.content());
        QCOMPARE(item.line(1).text(), std::string("T"));
        QCOMPARE(item.line(2).text(), std::string("S"));
        QCOMPARE(item.header.kind(1), ContentKind::None);
        QCOMPARE(item.header.kind(2), ContentKind::Sentence);
        QCOMPARE(item.header.effects(2).hold, uint8_t{7});
        TitleSentenceDialog again(titleSentenceStart(item), 1, 2, sign_);
        QCOMPARE(again.titleEditor()->payload(), item.line(1));
        QCOMPARE(again.effects()->block().hold, uint8_t{7});
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

        const ItemRecord item = threeLines();
        BitmapDialog d(dialogStart(item, 2, ContentKind::Bitmap), 2, 2, sign_);
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
        QCOMPARE(m.kinds, std::vector<MessageKind>(4, MessageKind::Warning));  // refusals
        QVERIFY(!d.pick(QString::fromStdString(dir_.file("missing.bmp"))));
        QCOMPARE(m.captions.back(), QString::fromUtf8("파일오픈실패"));
        QCOMPARE(m.kinds.back(), MessageKind::Critical);
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
        const ItemRecord out = stored(item, 2, d);
        QCOMPARE(out.header.bytes[16], uint8_t{2});  // line 2's entry effect
        QCOMPARE(out.header.bytes[7], uint8_t{2});   // line 2's kind
        QCOMPARE(out.header.bytes[19], uint8_t{2});  // hold time "3"
        QCOMPARE(out.header.bytes[35], uint8_t{40});
        QCOMPARE(out.header.bytes[37], uint8_t{16});
        QCOMPARE(out.line(2).path(), fine);

        BitmapDialog again(dialogStart(out, 2, ContentKind::Bitmap), 2, 2, sign_);
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

        ItemRecord item = threeLines();
        item.header.setEffects(3, {1, 2, 3, 4, 1, 2, 3});
        AnimationDialog d(dialogStart(item, 3, ContentKind::Animation), 3, 1, sign_);
        QVERIFY(!d.pick(QString::fromStdString(named)));
        QCOMPARE(m.texts.value(0), QString::fromUtf8("GIF파일이 아닙니다"));
        QCOMPARE(m.captions.value(0), QString::fromUtf8("GIF파일아님"));
        const std::string broken = dir_.file("broken.gif");
        testing::writeFileBytes(broken, {'G', 'I', 'F', '8', '9', 'a'});
        QVERIFY(!d.pick(QString::fromStdString(broken)));
        QCOMPARE(m.texts.value(1), QString::fromUtf8("파일을 오픈할수 없습니다"));
        QCOMPARE(m.kinds, (std::vector<MessageKind>{MessageKind::Warning, MessageKind::Critical}));

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
        const ItemRecord out = stored(item, 3, d);
        QCOMPARE(out.header.kind(3), ContentKind::Animation);
        QCOMPARE(out.header.bytes[47], uint8_t{3});               // frame count
        QCOMPARE(out.header.bytes[50], uint8_t{3});               // speed
        QCOMPARE(out.header.bytes[39], uint8_t{8});               // width
        QCOMPARE(out.header.effects(3), item.header.effects(3));  // the effect block is left as it was

        // 5,000 frames load without trouble.
        std::vector<testing::GifFrameSpec> many(5000, a);
        const std::string big = dir_.file("many.gif");
        testing::writeFileBytes(big, testing::makeGif(8, 8, palette, many));
        AnimationDialog large(dialogStart(item, 1, ContentKind::Animation), 1, 1, sign_);
        QVERIFY(large.pick(QString::fromStdString(big)));
        large.accept();
        QCOMPARE(large.content().frameCount, uint16_t{5000});
    }

    void clockAndTemperatureHoldTime() {
        ItemRecord item = threeLines();
        item.header.setKind(3, ContentKind::Clock);
        item.header.setEffects(3, {1, 2, 3, 6, 1, 1, 1});
        HoldTimeDialog d(dialogStart(item, 3, ContentKind::Clock), 3);
        QCOMPARE(d.holdTime()->currentIndex(), 6);  // header byte 26
        QCOMPARE(item.header.bytes[26], uint8_t{6});
        d.holdTime()->setCurrentIndex(9);
        d.accept();
        QCOMPARE(stored(item, 3, d).header.effects(3), (EffectBlock{1, 2, 3, 9, 1, 1, 1}));

        HoldTimeDialog t(dialogStart(item, 3, ContentKind::Temperature), 3);
        QCOMPARE(t.holdTime()->currentIndex(), 2);  // another kind: "3"
        t.accept();
        const ItemRecord out = stored(item, 3, t);
        QCOMPARE(out.header.kind(3), ContentKind::Temperature);
        QCOMPARE(out.header.effects(3), (EffectBlock{1, 2, 3, 2, 1, 1, 1}));
        HoldTimeDialog cancelled(dialogStart(item, 3, ContentKind::Clock), 3);
        cancelled.holdTime()->setCurrentIndex(0);
        cancelled.reject();
        QCOMPARE(stored(item, 3, cancelled), item);
    }

    void phraseRendersSavesAndReopens() {
        const ItemRecord item = threeLines();
        PhraseDialog d(dialogStart(item, 1, ContentKind::BitmapPhrase), 1, 1, sign_);
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
        const ItemRecord out = stored(item, 1, d);
        QCOMPARE(out.header.kind(1), ContentKind::BitmapPhrase);
        QCOMPARE(int(out.header.pictureWidth(1)), rendered.width());
        QCOMPARE(int(out.header.pictureHeight(1)), rendered.height());
        QCOMPARE(out.line(1).path(), folder + "/001.bmp");
        QCOMPARE(out.line(1).rtfPath(), folder + "/001.rtf");
        ColourPlanes planes;
        QCOMPARE(BmpPlanes(out.line(1).path(), planes), BmpResult::Ok);
        QCOMPARE(planes.width(), rendered.width());
        bool lit = false;
        for (int y = 0; y < planes.height(); ++y)
            for (int x = 0; x < planes.width(); ++x) lit |= planes.test(1, x, y) && !planes.test(2, x, y);
        QVERIFY(lit);  // red text

        // Reopened: the text and the picture come back; the offsets stop at the area's edges.
        PhraseDialog again(dialogStart(out, 1, ContentKind::BitmapPhrase), 1, 1, sign_);
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
        PhraseDialog third(dialogStart(item, 2, ContentKind::BitmapPhrase), 2, 2, sign_);
        QCOMPARE(QString::fromStdString(third.names().bmp), QString::fromStdString(folder + "/003.bmp"));

        QVERIFY(third.problem().isEmpty());

        // A stored phrase whose RTF is not RTF, or is in a code page not known, opens as a new
        // phrase and says so.
        testing::writeFileBytes(folder + "/001.rtf", {'G', 'I', 'F'});
        PhraseDialog bad(dialogStart(out, 1, ContentKind::BitmapPhrase), 1, 1, sign_);
        QVERIFY(bad.edit()->toPlainText().isEmpty());
        QCOMPARE(QString::fromStdString(bad.names().rtf), QString::fromStdString(folder + "/003.rtf"));
        QCOMPARE(bad.problem(), QString("저장된 문구(001.rtf)를 읽을 수 없어 새 문구로 시작합니다."));
        const std::string unknown = "{\\rtf1\\ansi\\ansicpg1234 caf\\'e9}";
        testing::writeFileBytes(folder + "/001.rtf", std::vector<uint8_t>(unknown.begin(), unknown.end()));
        PhraseDialog foreign(dialogStart(out, 1, ContentKind::BitmapPhrase), 1, 1, sign_);
        QVERIFY(foreign.edit()->toPlainText().isEmpty());
        QVERIFY(foreign.problem().contains("읽을 수 없는 문자 코드"));
    }

    // Reopened, changed and confirmed without "미리보기": the picture saved is the text as it is now.
    void phraseChangedWithoutPreviewIsRenderedOnOk() {
        testing::TempDir other;
        SignContext sign = sign_;
        sign.workingFolder = other.path().string();
        const ItemRecord item = threeLines();
        PhraseDialog d(dialogStart(item, 1, ContentKind::BitmapPhrase), 1, 1, sign);
        typeInto(d.edit(), QString::fromUtf8("가나"));
        d.accept();
        const ItemRecord first = stored(item, 1, d);

        auto picture = [](const ItemRecord& r) {
            RgbImage image;
            [&] { QCOMPARE(readBmpFile(r.line(1).path(), image), BmpResult::Ok); }();
            return image;
        };
        PhraseDialog again(dialogStart(first, 1, ContentKind::BitmapPhrase), 1, 1, sign);
        QVERIFY(again.pictureCurrent());
        QVERIFY(again.move(PhraseDialog::Down));
        QVERIFY(again.move(PhraseDialog::Right));
        QVERIFY(again.pictureCurrent());
        QTextCursor end = again.edit()->textCursor();
        end.movePosition(QTextCursor::End);
        again.edit()->setTextCursor(end);
        typeInto(again.edit(), QString::fromUtf8("다라마"));
        QVERIFY(!again.pictureCurrent());
        again.accept();
        const ItemRecord second = stored(first, 1, again);
        // A fresh render of the new text, at the offsets chosen before the change.
        const QImage fresh = RenderPhrase(*again.edit()->document());
        QImage expected(fresh.size(), QImage::Format_RGB32);
        expected.fill(Qt::black);
        QPainter(&expected).drawImage(1, 1, fresh);
        const RgbImage saved = picture(second);
        QCOMPARE(saved.width, expected.width());
        QCOMPARE(int(second.header.pictureWidth(1)), expected.width());
        QVERIFY(saved.pixels == toRgbImage(expected).pixels);
        QCOMPARE(second.line(1).path(), first.line(1).path());

        // A change of colour alone renders again too.
        PhraseDialog third(dialogStart(second, 1, ContentKind::BitmapPhrase), 1, 1, sign);
        third.edit()->selectAll();
        third.colourList()->activated(1);  // 초록색
        QVERIFY(!third.pictureCurrent());
        third.accept();
        const RgbImage green = picture(stored(second, 1, third));
        QVERIFY(std::any_of(green.pixels.begin(), green.pixels.end(), [](Rgb c) {
            return c == Rgb{0, 255, 0};
        }));
        QVERIFY(std::none_of(green.pixels.begin(), green.pixels.end(), [](Rgb c) {
            return c == Rgb{255, 0, 0};
        }));
    }

    void phraseFormatsReachTheRtfFile() {
        testing::TempDir other;
        SignContext sign = sign_;
        sign.workingFolder = other.path().string();
        PhraseDialog d(dialogStart(threeLines(), 1, ContentKind::BitmapPhrase), 1, 1, sign);
        typeInto(d.edit(), QString::fromUtf8("문구"));
        d.edit()->selectAll();
        const QString family = QStringLiteral("UnGungseo");
        QVERIFY(d.fontList()->findText(family) >= 0);
        // Korean-capable families come first.
        QVERIFY(d.fontList()->findText(family) < d.fontList()->count() / 2 + 1);
        d.fontList()->textActivated(family);
        d.sizeList()->activated(10);       // "16"
        d.colourList()->activated(1);      // 초록색
        d.backgroundList()->activated(3);  // 노랑색
        d.shapeList()->activated(3);       // 굵은기울임
        d.underline()->setChecked(true);
        d.strikeOut()->setChecked(true);
        d.accept();
        QVERIFY(d.complete());
        LoadedPhrase back;
        QCOMPARE(LoadPhrase(d.names().rtf, d.names().bmp, back), PhraseResult::Ok);
        QCOMPARE(back.text.plainText(), std::string("문구"));
        const RichFormat& f = back.text.paragraphs.at(0).runs.at(0).format;
        QCOMPARE(QString::fromStdString(f.font), family);
        QCOMPARE(f.halfPoints, 32);
        QVERIFY(f.bold && f.italic && f.underline && f.strikeOut);
        QCOMPARE(f.colour, std::optional<Rgb>(Rgb{0, 255, 0}));
        QCOMPARE(f.background, std::optional<Rgb>(Rgb{255, 255, 0}));
        QCOMPARE(back.picture.width, int(d.content().pictureWidth));
    }

    void runLineDialogGivesNothingOnCancelOrIncomplete() {
        for (int k = 1; k <= 7; ++k) QVERIFY(hasLineDialog(static_cast<ContentKind>(k)));
        QVERIFY(!hasLineDialog(ContentKind::None));
        const LineContent start = dialogStart(threeLines(), 1, ContentKind::Sentence);
        auto later = [](std::function<void(QDialog*)> act) {
            QTimer::singleShot(0, [act] { act(qobject_cast<QDialog*>(QApplication::activeModalWidget())); });
        };
        later([](QDialog* d) { d->reject(); });
        QVERIFY(!runLineDialog(nullptr, 1, start, 1, sign_));
        Messages m;
        later([](QDialog* d) {
            d->accept();  // no text: said so, and the dialog stays
            if (d->isVisible()) d->reject();
        });
        QVERIFY(!runLineDialog(nullptr, 1, start, 1, sign_));
        QCOMPARE(m.texts, QStringList{QString::fromUtf8("문장을 입력하십시오")});
        later([](QDialog* d) {
            typeIn(static_cast<SentenceDialog*>(d)->editor(), "OK");
            d->accept();
        });
        const std::optional<LineContent> done = runLineDialog(nullptr, 1, start, 1, sign_);
        QVERIFY(done);
        QCOMPARE(done->kind, ContentKind::Sentence);
        QCOMPARE(done->payload.text(), std::string("OK"));
    }

    // OK on a line without its required part says what is missing and keeps the dialog open.
    void okWithAPartMissingSaysWhat() {
        Messages m;
        const ItemRecord item = threeLines();
        SentenceDialog sentence(dialogStart(item, 1, ContentKind::Sentence), 1, 1, sign_);
        BitmapDialog bitmap(dialogStart(item, 1, ContentKind::Bitmap), 1, 1, sign_);
        AnimationDialog animation(dialogStart(item, 1, ContentKind::Animation), 1, 1, sign_);
        TitleSentenceDialog titleOnly(titleSentenceStart(item), 1, 1, sign_);
        typeIn(titleOnly.titleEditor(), "T");
        TitleSentenceDialog nothing(titleSentenceStart(item), 1, 1, sign_);
        for (QDialog* d :
             std::initializer_list<QDialog*>{&sentence, &bitmap, &animation, &titleOnly, &nothing}) {
            d->show();
            d->accept();
            QVERIFY(d->isVisible());
            QVERIFY(d->result() != QDialog::Accepted);
            QCOMPARE(m.captions.back(), d->windowTitle());
        }
        QCOMPARE(m.kinds, std::vector<MessageKind>(5, MessageKind::Warning));
        QCOMPARE(m.texts, (QStringList{QString::fromUtf8("문장을 입력하십시오"),
                                       QString::fromUtf8("열기로 비트맵(bmp) 파일을 선택하십시오"),
                                       QString::fromUtf8("열기로 GIF 파일을 선택하십시오"),
                                       QString::fromUtf8("문장을 입력하십시오"),
                                       QString::fromUtf8("제목을 입력하십시오")}));
        typeIn(titleOnly.sentenceEditor(), "S");
        titleOnly.accept();
        QCOMPARE(titleOnly.result(), int(QDialog::Accepted));
    }

    // After "열기" chose a file, Enter confirms the dialog; the next file dialog starts in the
    // folder of the last file chosen.
    void fileChoiceThenEnterAndTheFolderLastUsed() {
        Messages m;
        testing::TempDir pictures;
        const std::string bmp = pictures.file("first.bmp"), gif = pictures.file("moving.gif");
        writeBmp(bmp, 16, 16);
        testing::GifFrameSpec frame;
        frame.width = frame.height = 4;
        frame.indexes.assign(16, 1);
        testing::writeFileBytes(gif, testing::makeGif(4, 4, {{0, 0, 0}, {255, 0, 0}}, {frame}));
        FileDialogAnswers answers;
        const ItemRecord item = threeLines();

        BitmapDialog first(dialogStart(item, 1, ContentKind::Bitmap), 1, 1, sign_);
        first.show();
        QApplication::setActiveWindow(&first);
        answers.files << QString::fromStdString(bmp);
        QTest::mouseClick(first.openButton(), Qt::LeftButton);
        QCOMPARE(first.path(), QString::fromStdString(bmp));
        QTest::keyClick(first.focusWidget(), Qt::Key_Return);  // a file dialog again would be cancelled
        QCOMPARE(answers.startFolders.size(), 1);
        QCOMPARE(first.result(), int(QDialog::Accepted));
        QVERIFY(first.complete());

        BitmapDialog next(dialogStart(item, 2, ContentKind::Bitmap), 2, 1, sign_);
        next.show();
        QApplication::setActiveWindow(&next);
        QTest::mouseClick(next.openButton(), Qt::LeftButton);
        QCOMPARE(answers.startFolders.back(), QString::fromStdString(pictures.path().string()));

        AnimationDialog animation(dialogStart(item, 1, ContentKind::Animation), 1, 1, sign_);
        animation.show();
        QApplication::setActiveWindow(&animation);
        answers.files << QString::fromStdString(gif);
        QTest::mouseClick(animation.openButton(), Qt::LeftButton);
        QTest::keyClick(animation.focusWidget(), Qt::Key_Return);
        QCOMPARE(answers.startFolders.size(), 3);
        QCOMPARE(animation.result(), int(QDialog::Accepted));
        QVERIFY(m.texts.isEmpty());
    }

    void phraseCancelWritesNothing() {
        testing::TempDir other;
        SignContext sign = sign_;
        sign.workingFolder = other.path().string();
        PhraseDialog d(dialogStart(threeLines(), 1, ContentKind::BitmapPhrase), 1, 1, sign);
        QTest::keyClicks(d.edit(), "x");
        d.render();
        d.reject();
        QVERIFY(!std::filesystem::exists(other.file("RTF/001.rtf")));
    }
};

QTEST_MAIN(ContentDialogsTest)
#include "ContentDialogsTest.moc"
