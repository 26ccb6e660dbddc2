#pragma once
// The window's side of the sign: opens and points the one link as the settings say, runs each
// command that talks to the sign on the session's thread, follows its progress in the status bar
// and shows its message when it ends. While one runs, activity() says so and the frame disables
// what must wait.
#include <QObject>
#include <QSettings>
#include <QTimer>
#include <functional>
#include <memory>

#include "editor/core/CommandState.h"
#include "editor/core/SignSession.h"

class QWidget;

namespace orb {

class FrameStatusBar;
class OrbDocument;
class UserPrompts;

class SignCommandRunner : public QObject {
    Q_OBJECT
  public:
    // WINDOW parents the dialogs and message boxes.
    SignCommandRunner(OrbDocument& doc, UserPrompts& prompts, FrameStatusBar& panes, QWidget* window);
    ~SignCommandRunner() override;

    SignActivity activity() const { return activity_; }

    // Start-up: the serial port of the settings at 57,600 bps whatever the link mode (a warning
    // when it cannot be opened), then in TCP/IP mode the connection; the link status text.
    void startUp();
    // After open and new: the port or the connection of the new settings, and the status text.
    void settingsReloaded();

    // --- Settings commands ---
    void chooseLinkMode(LinkMode mode);  // "RS232전송" / "TCP/IP전송"
    void portSettings();                 // "포트설정"
    void ipSettings();                   // "IP설정"
    // "전송 후 확인", kept in the editor's own settings file, never in the project.
    bool verifyAfterTransfer() const;
    void setVerifyAfterTransfer(bool verify);

    // --- Commands that talk to the sign ---
    void transfer();            // "전 송"
    void signSize();            // "전광판 사이즈"
    void setClock();            // "설정" of "시각설정"
    void applyOnOff();          // "적용" of "ON/OFF"
    void applyDisplayWindow();  // "적용" of "표출시간"
    void brightness();          // "LED밝기"
    // "전광판에서 가져오기": reads the sign's program back with the transfer's progress and cancel;
    // DONE gets the outcome and what was read when it ends (instead of a message box).
    using PullDone = std::function<void(const CommandOutcome& outcome, const ProgramReadBack& readBack)>;
    void pullProgram(PullDone done);
    // Esc and "취소": the transfer or the read-back stops after the frame in flight.
    void cancel();

  signals:
    // A command started or ended (after its message was shown).
    void activityChanged();

  private:
    bool run(SignSession::Job job, SignActivity activity, bool silent);
    void poll();
    void showProgress();
    // While the command waits for a reply (longer than a moment), the message pane counts down
    // the time left; the message before comes back after.
    void showReplyWait();
    void finish();
    void reopenSerial(int portNumber);
    void useSerialLink();
    void connectTcp(bool afterLinkCommand);
    void showLinkStatus(bool afterLinkCommand);
    void showOutcome(const CommandOutcome& outcome);

    OrbDocument& doc_;
    UserPrompts& prompts_;
    FrameStatusBar& panes_;
    QWidget* window_;
    std::unique_ptr<SignSession> session_;
    QSettings editorSettings_;
    QTimer poll_;
    SignActivity activity_ = SignActivity::Idle;
    bool silent_ = false;
    bool shownVerifying_ = false;
    QString shownWait_, messageBeforeWait_;
    int shownTotal_ = -1;
    // What the running command's outcome goes to instead of its message box.
    std::function<void(const CommandOutcome&)> then_;
};

}  // namespace orb
