#include "editor/app/SignCommandRunner.h"

#include <QStringList>
#include <algorithm>
#include <utility>

#include "editor/app/FrameStatusBar.h"
#include "editor/app/UserPrompts.h"
#include "editor/core/OrbDocument.h"

namespace orb {

namespace {

constexpr uint32_t kStartBaud = 57600;
constexpr int kPollMs = 20;
constexpr int kQuietWaitMs = 300;  // a reply this quick is not worth a word
const char* const kVerifyKey = "transfer/verify";

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

SignCommandRunner::SignCommandRunner(OrbDocument& doc, UserPrompts& prompts, FrameStatusBar& panes,
                                     QWidget* window)
    : QObject(window),
      doc_(doc),
      prompts_(prompts),
      panes_(panes),
      window_(window),
      session_(std::make_unique<SignSession>()),
      editorSettings_(QSettings::IniFormat, QSettings::UserScope, "orb", "Orb") {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &SignCommandRunner::poll);
}

SignCommandRunner::~SignCommandRunner() {
    // The worker calls back into this object: it is stopped before anything else goes.
    session_.reset();
}

void SignCommandRunner::startUp() {
    SerialSettings serial;
    serial.baud = kStartBaud;
    serial.portNumber = doc_.settings().comPort();
    serial.device = deviceOfPort(serial.portNumber);
    if (!session_->openSerial(serial))
        prompts_.showMessage(window_, kPortOpenFailed, "경고", MessageKind::Warning);
    if (doc_.settings().linkMode() == LinkMode::Tcp)
        connectTcp(false);
    else
        showLinkStatus(false);
}

void SignCommandRunner::settingsReloaded() {
    if (doc_.settings().linkMode() == LinkMode::Tcp) {
        connectTcp(false);
        return;
    }
    useSerialLink();
}

void SignCommandRunner::useSerialLink() {
    reopenSerial(doc_.settings().comPort());
    session_->useSerial();
    showLinkStatus(false);
}

void SignCommandRunner::reopenSerial(int portNumber) {
    SerialSettings serial = session_->serialSettings();
    serial.portNumber = portNumber;
    serial.device = deviceOfPort(portNumber);
    if (!session_->openSerial(serial))
        prompts_.showMessage(window_, kPortOpenFailed, "경고", MessageKind::Warning);
}

void SignCommandRunner::connectTcp(bool afterLinkCommand) {
    const SettingsBlock& s = doc_.settings();
    session_->useTcp(dottedAddress(s.ipAddress()), s.tcpPort());
    showLinkStatus(afterLinkCommand);
    run(connectJob(), SignActivity::Command, true);
}

void SignCommandRunner::showLinkStatus(bool afterLinkCommand) {
    const SettingsBlock& s = doc_.settings();
    panes_.setLinkStatus(qs(s.linkMode() == LinkMode::Tcp
                                ? tcpStatusText(s.ipAddress(), s.tcpPort(), afterLinkCommand)
                                : session_->serialStatusText()));
}

// --- Settings commands ---

void SignCommandRunner::chooseLinkMode(LinkMode mode) {
    if (activity_ != SignActivity::Idle || doc_.setLinkMode(mode) != DocOutcome::Done) return;
    if (mode == LinkMode::Tcp) {
        connectTcp(true);
        return;
    }
    useSerialLink();
}

void SignCommandRunner::portSettings() {
    if (activity_ != SignActivity::Idle) return;
    SerialSettings current = session_->serialSettings();
    current.portNumber = doc_.settings().comPort();
    const auto chosen = prompts_.askPortSettings(window_, current);
    if (!chosen) return;
    doc_.setComPort(static_cast<uint8_t>(chosen->portNumber));
    SerialSettings next = *chosen;
    next.flowControl = current.flowControl;  // the boxes change nothing
    if (!session_->openSerial(next))
        prompts_.showMessage(window_, kPortOpenFailed, "경고", MessageKind::Warning);
    if (doc_.settings().linkMode() == LinkMode::Serial) showLinkStatus(false);
}

void SignCommandRunner::ipSettings() {
    if (activity_ != SignActivity::Idle) return;
    const SettingsBlock& s = doc_.settings();
    const auto chosen = prompts_.askTcpPeer(window_, {s.ipAddress(), s.tcpPort()});
    if (!chosen) return;
    doc_.setTcpPeer(chosen->ip, chosen->port);
    if (doc_.settings().linkMode() == LinkMode::Tcp) connectTcp(false);
}

bool SignCommandRunner::verifyAfterTransfer() const {
    return editorSettings_.value(kVerifyKey, false).toBool();
}

void SignCommandRunner::setVerifyAfterTransfer(bool verify) {
    editorSettings_.setValue(kVerifyKey, verify);
    editorSettings_.sync();
}

// --- Commands that talk to the sign ---

void SignCommandRunner::transfer() {
    if (activity_ != SignActivity::Idle) return;
    auto store = std::make_shared<ItemStore>();
    if (doc_.snapshot(*store) != IoResult::Ok) {
        const DocMessage m = messageOf(DocOutcome::StoreWriteFailed);
        prompts_.showMessage(window_, qs(m.text), qs(m.caption), m.kind);
        return;
    }
    run(transferJob(std::move(store), verifyAfterTransfer()), SignActivity::Transfer, false);
}

void SignCommandRunner::signSize() {
    if (activity_ != SignActivity::Idle) return;
    const SettingsBlock& s = doc_.settings();
    const auto chosen = prompts_.askSignSize(window_, {s.signWidth(), s.signHeight()});
    if (!chosen) return;
    // Stored before anything is sent.
    doc_.setSignSize(chosen->width, chosen->height);
    run(sizeJob(chosen->width, chosen->height), SignActivity::Command, false);
}

void SignCommandRunner::setClock() {
    run(clockJob(), SignActivity::Command, false);
}

void SignCommandRunner::applyOnOff() {
    const SettingsBlock& s = doc_.settings();
    run(onOffJob(s.onOffEnabled(), s.onHour(), s.onMinute(), s.offHour(), s.offMinute()),
        SignActivity::Command, false);
}

void SignCommandRunner::applyDisplayWindow() {
    run(displayWindowJob(doc_.settings().windowMode()), SignActivity::Command, false);
}

void SignCommandRunner::brightness() {
    if (activity_ != SignActivity::Idle) return;
    const auto level = prompts_.askBrightness(window_, doc_.settings().brightness());
    if (!level) return;
    doc_.setBrightness(*level);
    run(brightnessJob(*level), SignActivity::Command, false);
}

void SignCommandRunner::pullProgram(PullDone done) {
    if (activity_ != SignActivity::Idle) return;
    auto readBack = std::make_shared<ProgramReadBack>();
    then_ = [readBack, finished = std::move(done)](const CommandOutcome& outcome) {
        finished(outcome, *readBack);
    };
    if (!run(readBackJob(readBack), SignActivity::Transfer, false)) {
        then_ = nullptr;
        return;
    }
    panes_.setMessage("전광판에서 가져오는 중...");
}

void SignCommandRunner::cancel() {
    if (activity_ == SignActivity::Transfer) session_->cancel();
}

// --- Running ---

bool SignCommandRunner::run(SignSession::Job job, SignActivity activity, bool silent) {
    if (activity_ != SignActivity::Idle) return false;
    // The worker only writes the session's atomics; this thread looks at them on its timer and
    // takes the outcome once the command has ended.
    if (!session_->start(std::move(job), {})) return false;
    activity_ = activity;
    silent_ = silent;
    shownVerifying_ = false;
    shownTotal_ = -1;
    if (activity == SignActivity::Transfer) panes_.showCancel(true);
    poll_.start();
    emit activityChanged();
    return true;
}

void SignCommandRunner::poll() {
    if (activity_ == SignActivity::Transfer) showProgress();
    if (!silent_) showReplyWait();
    if (session_->ended()) finish();
}

void SignCommandRunner::showReplyWait() {
    const std::optional<ReplyWait> wait = session_->replyWait();
    QString text;
    if (wait && wait->elapsedMs >= kQuietWaitMs) {
        const int left = std::max(0, wait->limitMs - wait->elapsedMs);
        text = QString("전광판의 응답을 기다립니다... %1초").arg((left + 999) / 1000);
    }
    if (text == shownWait_) return;
    if (shownWait_.isEmpty()) messageBeforeWait_ = panes_.message();
    panes_.setMessage(text.isEmpty() ? messageBeforeWait_ : text);
    shownWait_ = text;
}

void SignCommandRunner::showProgress() {
    const SessionProgress p = session_->progress();
    if (p.total <= 0) return;
    if (p.verifying != shownVerifying_ || p.total != shownTotal_) {
        if (p.verifying != shownVerifying_) {
            const QString stage = p.verifying ? "전송 후 확인" : "준비";
            if (shownWait_.isEmpty())
                panes_.setMessage(stage);
            else
                messageBeforeWait_ = stage;  // shown when the countdown ends
        }
        shownVerifying_ = p.verifying;
        shownTotal_ = p.total;
        panes_.beginProgress(p.total);
    }
    panes_.advanceProgress(p.done);
}

void SignCommandRunner::finish() {
    if (!session_->running()) return;
    const CommandOutcome outcome = session_->take();
    const bool shown = !silent_;
    poll_.stop();
    if (!shownWait_.isEmpty()) panes_.setMessage(messageBeforeWait_);
    shownWait_.clear();
    if (activity_ == SignActivity::Transfer) {
        showProgress();
        panes_.clearProgress();
        panes_.showCancel(false);
        panes_.setMessage("준비");
    }
    activity_ = SignActivity::Idle;
    if (const auto then = std::exchange(then_, nullptr))
        then(outcome);
    else if (shown)
        showOutcome(outcome);
    emit activityChanged();
}

void SignCommandRunner::showOutcome(const CommandOutcome& outcome) {
    if (!outcome.warnings.empty()) {
        QStringList lines;
        for (const std::string& w : outcome.warnings) lines << qs(w);
        prompts_.showMessage(window_, lines.join('\n'), "경고", MessageKind::Warning);
    }
    prompts_.showMessage(window_, qs(outcome.message), qs(outcome.caption), outcome.kind);
}

}  // namespace orb
