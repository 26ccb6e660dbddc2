// The editor's "편집" commands with the real dialogs: each OK is one step of the undo history,
// Cancel changes nothing, and the entries follow the document's rules.
#include <QApplication>
#include <QKeyEvent>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>

#include "editor/app/CMainFrame.h"
#include "editor/app/COrbView.h"
#include "editor/app/FrameActions.h"
#include "editor/app/UserPrompts.h"
#include "editor/dialogs/HoldTimeDialog.h"
#include "editor/dialogs/SentenceDialog.h"
#include "testsupport/TempDir.h"

using namespace orb;

class EditCommandTest : public QObject {
    Q_OBJECT
    std::unique_ptr<testing::TempDir> dir_;
    std::unique_ptr<OrbDocument> doc_;
    DialogPrompts prompts_;
    std::unique_ptr<CMainFrame> frame_;

    const FrameActions& a() const { return frame_->actions(); }

    // Runs ACT on the modal dialog the command opens.
    void onDialog(std::function<void(QDialog*)> act) {
        QTimer::singleShot(0, [act] { act(qobject_cast<QDialog*>(QApplication::activeModalWidget())); });
    }
    static void type(QWidget* w, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
        }
    }

  private slots:
    void init() {
        dir_ = std::make_unique<testing::TempDir>();
        ::setenv("ORB_HOME", dir_->path().c_str(), 1);
        ::setenv("ORB_FONTS", ORB_FONT_DIR, 1);
        QVERIFY(OrbDocument::startUp(dir_->path().string(), doc_) == DocOutcome::Done);
        frame_ = std::make_unique<CMainFrame>(*doc_, prompts_);
        QCOMPARE(doc_->addItem(LayoutCode::TwoLines, {1, 2, 0}), DocOutcome::Done);
        frame_->view()->selectRows({0});
        frame_->refreshActions();
    }

    void cleanup() {
        frame_.reset();
        doc_.reset();
        dir_.reset();
    }

    void entriesFollowTheDocument() {
        for (size_t line = 0; line < 2; ++line)
            for (QAction* entry : a().editLine[line]) QVERIFY(entry->isEnabled());
        for (QAction* entry : a().editLine[2]) QVERIFY(!entry->isEnabled());
        QVERIFY(!a().editTitleSentence->isEnabled());
    }

    void okIsOneUndoableStepAndCancelNothing() {
        const ItemRecord before = doc_->record(0);
        onDialog([](QDialog* d) { d->reject(); });
        a().editLine[1][0]->trigger();
        QCOMPARE(doc_->record(0), before);

        onDialog([](QDialog* d) {
            auto* s = qobject_cast<SentenceDialog*>(d);
            QVERIFY(s);
            type(s->editor()->edit(), QString::fromUtf8("안녕"));
            d->accept();
        });
        a().editLine[1][0]->trigger();
        const ItemRecord after = doc_->record(0);
        QCOMPARE(after.header.kind(2), ContentKind::Sentence);
        QCOMPARE(after.line(2).text(), std::string("\xBE\xC8\xB3\xE7"));
        QCOMPARE(after.header.effects(2).holdTime, uint8_t{2});
        QCOMPARE(frame_->view()->list()->model()->index(0, 5).data().toString(), QString::fromUtf8("안녕"));
        frame_->refreshActions();
        QVERIFY(a().editLine[1][0]->isChecked());

        // Reopened on what it stored; Cancel after a change keeps it.
        onDialog([](QDialog* d) {
            auto* s = qobject_cast<SentenceDialog*>(d);
            QCOMPARE(s->editor()->edit()->toPlainText(), QString::fromUtf8("안녕"));
            s->editor()->edit()->clear();
            d->reject();
        });
        a().editLine[1][0]->trigger();
        QCOMPARE(doc_->record(0), after);

        // The clock dialog on the same line: its hold time only, then undone in one step.
        onDialog([](QDialog* d) {
            auto* h = qobject_cast<HoldTimeDialog*>(d);
            QVERIFY(h);
            d->accept();
        });
        a().editLine[1][3]->trigger();
        QCOMPARE(doc_->record(0).header.kind(2), ContentKind::Clock);
        QCOMPARE(doc_->undo(), DocOutcome::Done);
        QCOMPARE(doc_->record(0), after);
        QCOMPARE(doc_->undo(), DocOutcome::Done);
        QCOMPARE(doc_->record(0), before);
    }
};

QTEST_MAIN(EditCommandTest)
#include "EditCommandTest.moc"
