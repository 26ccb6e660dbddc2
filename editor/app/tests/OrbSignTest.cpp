// The window's commands that talk to the sign, against signemu over TCP and a pseudo-terminal:
// the transfer with its progress, cancel and read-back, every settings command with its message,
// the dialogs' checks, the link status texts, and signs that fail in every way the link can.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "editor/app/CMainFrame.h"
#include "editor/app/COrbView.h"
#include "editor/app/ChoiceListDialog.h"
#include "editor/app/FrameStatusBar.h"
#include "editor/app/IpSettingsDialog.h"
#include "editor/app/PortSettingsDialog.h"
#include "editor/app/SignCommandRunner.h"
#include "editor/app/tests/FakePrompts.h"
#include "editor/core/LinkChoice.h"
#include "editor/core/ProgramWriter.h"
#include "editor/tests/SentProgram.h"
#include "image/ProgramImage.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PseudoTerminal.h"
#include "testsupport/SignEmu.h"
#include "testsupport/TempDir.h"

namespace orb {

namespace {

using Clock = std::chrono::steady_clock;
using testing::SignEmu;

// What a bound on the time taken may tell apart: no wait, or TCP's 1300 ms, from a serial line's
// 10 s; the seconds to spare are for a loaded machine under a sanitizer. Retries are counted in
// the sign's log instead.
constexpr auto kUnderASerialWait = std::chrono::seconds(9);

int countOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

using SignPromptsFake = testing::FakePrompts;

// A sign that answers every frame with bytes that are no reply, or closes at once.
class RudeSign {
  public:
    explicit RudeSign(bool closeAtOnce) : closeAtOnce_(closeAtOnce) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 8);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~RudeSign() {
        stop_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        if (const int c = client_.load(); c >= 0) ::shutdown(c, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    uint16_t port() const { return port_; }

  private:
    void serve() {
        while (!stop_) {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            client_ = c;
            char buffer[1024];
            while (!closeAtOnce_ && ::recv(c, buffer, sizeof buffer, 0) > 0) {
                const char garbage[] = "garbage, no reply at all";
                ::send(c, garbage, sizeof garbage, MSG_NOSIGNAL);
            }
            client_ = -1;
            ::close(c);
        }
    }

    bool closeAtOnce_;
    int fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> client_{-1};
    std::thread thread_;
};

std::pair<QString, QString> message(const char* text, const char* caption) {
    return {QString::fromUtf8(text), QString::fromUtf8(caption)};
}

// The number (from 1) of the first memory write the transfer sends for item ITEM (0-based).
int firstWriteOf(int item) {
    ItemStore store;
    if (ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, store) != IoResult::Ok) return -1;
    ProgramPlan plan;
    planProgram(store, store.itemCount(), 6, 1, plan);
    int frames = 0;
    for (const ProgramWrite& w : plan.writes)
        if (w.item >= 0 && w.item < item) frames += static_cast<int>((w.bytes.size() + 511) / 512);
    return frames + 1;
}

}  // namespace

class OrbSignTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<testing::TempDir> dir_;
    std::unique_ptr<OrbDocument> doc_;
    std::unique_ptr<SignPromptsFake> prompts_;
    std::unique_ptr<CMainFrame> frame_;
    testing::PseudoTerminal com1_;
    std::filesystem::path config_;

    const FrameActions& a() const { return frame_->actions(); }
    SignCommandRunner* sign() const { return frame_->sign(); }
    FrameStatusBar* panes() const { return frame_->panes(); }
    bool idle() const { return sign()->activity() == SignActivity::Idle; }

    void makeFrame() {
        frame_ = std::make_unique<CMainFrame>(*doc_, *prompts_);
        frame_->show();
    }
    // Points the window at a sign over TCP through "IP설정" and "TCP/IP전송".
    void useTcp(uint16_t port) {
        QTRY_VERIFY(idle());
        prompts_->peer = TcpPeer{{127, 0, 0, 1}, port};
        a().ipSettings->trigger();
        if (!a().tcp->isChecked()) a().tcp->trigger();
        QTRY_VERIFY(idle());
    }
    // Points the window at COM3, which is DEVICE, through "포트설정".
    void useSerial(const std::string& device) {
        QTRY_VERIFY(idle());
        qputenv("ORB_COM3", device.c_str());
        if (!a().serial->isChecked()) a().serial->trigger();
        SerialSettings s;
        s.portNumber = 3;
        s.device = deviceOfPort(3);  // as the dialog's choice carries it
        prompts_->port = s;
        a().portSettings->trigger();
    }
    // The example project is in TCP/IP mode: its connection attempt ends first.
    void openExample() {
        QVERIFY(frame_->openProject(EXAMPLE_PROJECT));
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 3000);
    }
    // Waits for the running command's message; the last one shown.
    std::pair<QString, QString> outcome(int seconds = 30) {
        const size_t before = prompts_->messages.size();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(idle() && prompts_->messages.size() > before, seconds * 1000); }();
        return prompts_->messages.empty() ? std::pair<QString, QString>() : prompts_->messages.back();
    }

    // Every address the program uses holds in the sign what orbctl build writes into the image.
    void expectSameProgram(const std::string& signMemory) {
        const testing::SentProgram sent =
            testing::compareSentProgram(signMemory, EXAMPLE_PROJECT, dir_->file("image.tmp"));
        QVERIFY2(sent.problem.empty(), sent.problem.c_str());
        QVERIFY(sent.compared > 5000);
    }

    // The sign holds the example project as the build writes it (signemu loads its memory file).
    void signHoldsTheExample() {
        const testing::Outcome built =
            orbctl(std::string("build ") + EXAMPLE_PROJECT + " -o " + dir_->file("sign.mem"));
        QVERIFY2(built.status == 0, built.output.c_str());
    }
    // "전광판에서 가져오기" with the pictures going to the folder "pulled".
    void pull() {
        prompts_->pictureFolder = QString::fromStdString(dir_->file("pulled"));
        a().pullProgram->trigger();
    }

  private slots:
    void initTestCase() {
        QVERIFY(!com1_.device().empty());
        qputenv("ORB_COM1", com1_.device().c_str());
        config_ = std::filesystem::temp_directory_path() / ("orb-sign-test-" + std::to_string(::getpid()));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config_.string()));
    }
    void cleanupTestCase() { std::filesystem::remove_all(config_); }

    void init() {
        dir_ = std::make_unique<testing::TempDir>();
        QVERIFY(OrbDocument::startUp(dir_->path().string(), doc_) == DocOutcome::Done);
        prompts_ = std::make_unique<SignPromptsFake>();
        prompts_->saveAnswer = SaveChoice::Discard;
        makeFrame();
    }
    void cleanup() {
        frame_.reset();
        doc_.reset();
        dir_.reset();
    }

    void transferPutsTheProgramIntoTheSign_data() {
        QTest::addColumn<bool>("pty");
        QTest::newRow("TCP") << false;
        QTest::newRow("pseudo-terminal") << true;
    }
    void transferPutsTheProgramIntoTheSign() {
        QFETCH(bool, pty);
        SignEmu emu(*dir_, {"--delay", "8"}, pty);  // slow enough for the progress to be seen
        openExample();
        pty ? useSerial(emu.device) : useTcp(emu.port());
        QCOMPARE(panes()->linkStatus(), pty ? QString("연결: COM3, 57600 bps")
                                            : QString("[IP:127.0.0.1],  [PORT:%1]").arg(emu.port()));
        // What the window shows while the transfer runs, sampled by its own event loop.
        std::set<QString> percents;
        int ticks = 0;
        bool cancelShown = false, listDisabled = false;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, [&] {
            ++ticks;
            percents.insert(panes()->percentText());
            cancelShown = cancelShown || panes()->cancelButton()->isVisible();
            listDisabled = listDisabled || !a().add[0]->isEnabled();
        });
        sampler.start(5);
        frame_->view()->transferButton()->click();
        QCOMPARE(sign()->activity(), SignActivity::Transfer);
        // A second command cannot start while one runs.
        QVERIFY(!frame_->view()->transferButton()->isEnabled());
        QVERIFY(!a().setClock->isEnabled() && !a().open->isEnabled() && !a().remove->isEnabled());
        QVERIFY(!a().ipSettings->isEnabled() && !a().serial->isEnabled());
        sign()->setClock();
        sign()->transfer();
        QCOMPARE(outcome(), message("전송 완료 했습니다", "전송완료"));
        sampler.stop();
        QCOMPARE(int(prompts_->messages.size()), 1);
        QVERIFY(ticks > 3);
        QVERIFY(cancelShown && listDisabled);
        // Steps on the way, not only the start and the end.
        QStringList seen(percents.begin(), percents.end());
        QVERIFY2(std::count_if(percents.begin(), percents.end(),
                               [](const QString& p) {
                                   const int n = p.section(' ', 0, 0).toInt();
                                   return p.endsWith(" %") && n > 0 && n < 100;
                               }) >= 2,
                 qPrintable(seen.join(',')));
        QCOMPARE(panes()->percentText(), QString());
        QVERIFY(!panes()->cancelButton()->isVisible());
        QVERIFY(a().add[0]->isEnabled() && frame_->view()->transferButton()->isEnabled());
        emu.process->stop();
        const std::string log = emu.logText();
        QCOMPARE(countOf(log, ": clock"), 0);
        QCOMPARE(countOf(log, ": apply"), 1);
        expectSameProgram(emu.memory);
    }

    void settingsCommandsSendTheirFrames() {
        SignEmu emu(*dir_, {});
        useTcp(emu.port());
        prompts_->size = SignSize{12, 2};
        a().signSize->trigger();
        QCOMPARE(prompts_->sizeStarts.back().width, 6);
        QCOMPARE(outcome(), message("규격 적용OK...", "OK..."));
        QCOMPARE(doc_->settings().signWidth(), 12);
        QCOMPARE(doc_->settings().signHeight(), 2);

        a().setClock->trigger();
        QCOMPARE(outcome(), message("시각설정 완료", "설정완료"));

        a().onOffOn->trigger();
        prompts_->times = TimePair{{7, 30}, {22, 0}};
        a().onOffTimes->trigger();
        a().onOffApply->trigger();
        QCOMPARE(outcome(), message("ON/OFF 적용OK...", "OK..."));

        a().windowOnly->trigger();
        a().windowApply->trigger();
        QCOMPARE(outcome(), message("표출시간설정 OK...", "OK..."));

        prompts_->level = 9;
        a().brightness->trigger();
        QCOMPARE(outcome(), message("밝기설정 OK...", "OK..."));
        QCOMPARE(doc_->settings().brightness(), 9);
        // Every one a success: the information icon.
        QCOMPARE(prompts_->kinds, std::vector<MessageKind>(5, MessageKind::Information));

        const std::string log = emu.logText();
        for (const char* frame : {"write 2 bytes at 0x00004008", "clock 20", "on/off 1 07:30 22:00",
                                  "write 1 bytes at 0x00004012", "brightness 9"})
            QVERIFY2(log.find(frame) != std::string::npos, frame);
        QCOMPARE(countOf(log, ": apply"), 2);  // size and display window
        // Cancelled dialogs send nothing.
        prompts_->size.reset();
        prompts_->level.reset();
        a().signSize->trigger();
        a().brightness->trigger();
        QVERIFY(idle());
        QCOMPARE(emu.logText(), log);
    }

    void aSignOfAnotherModelGetsNoWrite() {
        SignEmu emu(*dir_, {"--model", "OtherSign"});
        openExample();
        useTcp(emu.port());
        frame_->view()->transferButton()->click();
        QCOMPARE(outcome(), message("전광판모델이 다릅니다", "전송실패"));
        QCOMPARE(prompts_->kinds.back(), MessageKind::Critical);
        a().setClock->trigger();
        QCOMPARE(outcome(), message("전광판모델이 다릅니다", "전송실패"));
        prompts_->level = 3;
        a().brightness->trigger();  // no model check for the brightness
        QCOMPARE(outcome(), message("밝기설정 OK...", "OK..."));
        QCOMPARE(emu.logText(), std::string("frame 1: read 8 bytes at 0x00004000\n"
                                            "frame 2: read 8 bytes at 0x00004000\n"
                                            "frame 3: brightness 3\n"));
    }

    void aSignThatStopsAnsweringFailsTheTransfer() {
        SignEmu emu(*dir_, {"--no-answer-after", "6"});
        openExample();
        useTcp(emu.port());
        const auto start = Clock::now();
        frame_->view()->transferButton()->click();
        QCOMPARE(outcome(), message("전송 실패 했습니다", "전송실패"));
        QCOMPARE(prompts_->kinds.back(), MessageKind::Critical);
        QVERIFY(Clock::now() - start < kUnderASerialWait);
        QCOMPARE(countOf(emu.logText(), "frame "), 7);  // the unanswered frame is not sent again
        // The window goes on: a list command and another sign command.
        QVERIFY(a().add[0]->isEnabled());
        const int rows = doc_->rowCount();
        a().add[0]->trigger();
        QCOMPARE(doc_->rowCount(), rows + 1);
        QCOMPARE(panes()->percentText(), QString());
    }

    // While the sign keeps a command waiting, the message pane counts down the reply's limit.
    void aWaitForTheSignIsCountedDown() {
        SignEmu emu(*dir_, {"--no-answer-after", "0"});
        useTcp(emu.port());
        QSet<QString> seen;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, [&] { seen.insert(panes()->message()); });
        sampler.start(20);
        a().setClock->trigger();
        QCOMPARE(outcome(), message("전광판과의 연결상태를 확인해주세요!...", "전송실패"));
        sampler.stop();
        QVERIFY2(seen.contains("전광판의 응답을 기다립니다... 1초"),
                 qPrintable(QStringList(seen.values()).join(',')));
        QCOMPARE(panes()->message(), QString("준비"));  // as it was before
    }

    void cancelStopsAfterTheFrameInFlight_data() {
        QTest::addColumn<bool>("button");
        QTest::newRow("Esc") << false;
        QTest::newRow("취소") << true;
    }
    void cancelStopsAfterTheFrameInFlight() {
        QFETCH(bool, button);
        SignEmu emu(*dir_, {"--delay", "40"});
        openExample();
        useTcp(emu.port());
        frame_->view()->transferButton()->click();
        QTRY_VERIFY(countOf(emu.logText(), "write") >= 3);
        if (button) {
            QVERIFY(panes()->cancelButton()->isVisible());
            panes()->cancelButton()->click();
        } else {
            QVERIFY(a().cancelTransfer->isEnabled());
            QTest::keyClick(frame_.get(), Qt::Key_Escape);
        }
        const int atCancel = countOf(emu.logText(), "frame ");
        QCOMPARE(outcome(), message("전송을 취소했습니다", "전송실패"));
        QCOMPARE(prompts_->kinds.back(), MessageKind::Warning);  // the user's own choice
        QThread::msleep(200);
        QVERIFY(countOf(emu.logText(), "frame ") <= atCancel + 1);
        QCOMPARE(countOf(emu.logText(), "apply"), 0);
        QVERIFY(!a().cancelTransfer->isEnabled());
    }

    void verifyAfterTransfer() {
        QVERIFY(!a().verify->isChecked());
        const SettingsBlock before = doc_->settings();
        a().verify->trigger();
        QVERIFY(sign()->verifyAfterTransfer());
        QVERIFY(std::filesystem::exists(config_ / "orb" / "Orb.ini"));
        QVERIFY(doc_->settings() == before);  // never in the project
        {
            SignEmu good(*dir_, {});
            openExample();
            useTcp(good.port());
            frame_->view()->transferButton()->click();
            QCOMPARE(outcome(), message("전송 완료 했습니다", "전송완료"));
            QVERIFY(countOf(good.logText(), "read ") > 10);
        }
        // A new window reads the check again; a sign that stores other bytes fails the read-back.
        frame_.reset();
        makeFrame();
        QVERIFY(a().verify->isChecked());
        testing::TempDir other;
        SignEmu bad(other, {"--corrupt-write", std::to_string(firstWriteOf(1))});
        useTcp(bad.port());
        frame_->view()->transferButton()->click();
        QCOMPARE(outcome(), message("전송 확인 실패: 2번째 아이템", "전송실패"));
        a().verify->trigger();
        QVERIFY(!sign()->verifyAfterTransfer());
    }

    void badSigns_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("garbage") << 0;
        QTest::newRow("closes at once") << 1;
        QTest::newRow("nobody listening") << 2;
        QTest::newRow("wrong sum") << 3;
    }
    void badSigns() {
        QFETCH(int, kind);
        std::unique_ptr<RudeSign> rude;
        std::unique_ptr<SignEmu> emu;
        uint16_t port = 1;
        if (kind <= 1) rude = std::make_unique<RudeSign>(kind == 1), port = rude->port();
        if (kind == 3)
            emu = std::make_unique<SignEmu>(*dir_, std::vector<std::string>{"--bad-sum-after", "0"}),
            port = emu->port();
        openExample();
        useTcp(port);
        const auto start = Clock::now();
        frame_->view()->transferButton()->click();
        QCOMPARE(outcome(), message("전광판과의 연결상태를 확인해주세요!...", "전송실패"));
        a().setClock->trigger();
        QCOMPARE(outcome(), message("전광판과의 연결상태를 확인해주세요!...", "전송실패"));
        QVERIFY(Clock::now() - start < kUnderASerialWait);
        if (emu) QCOMPARE(countOf(emu->logText(), "frame "), 2);  // one for each command
        QVERIFY(a().add[0]->isEnabled());
    }

    void serialDevicesThatAreNoSerialLine_data() {
        QTest::addColumn<QString>("device");
        QTest::newRow("missing") << "/nonexistent/ttyS9";
        QTest::newRow("regular file") << "";
        QTest::newRow("/dev/null") << "/dev/null";
    }
    void serialDevicesThatAreNoSerialLine() {
        QFETCH(QString, device);
        std::string path = device.toStdString();
        if (path.empty()) {
            path = dir_->file("plain-file");
            std::ofstream(path) << "not a line";
        }
        const auto start = Clock::now();
        useSerial(path);
        QCOMPARE(prompts_->messages.back(), message(kPortOpenFailed, "경고"));
        QCOMPARE(prompts_->kinds.back(), MessageKind::Warning);
        QCOMPARE(panes()->linkStatus(), QString("열린 포트가 없습니다."));
        QCOMPARE(doc_->settings().comPort(), 3);
        a().setClock->trigger();
        QCOMPARE(outcome(), message("전광판과의 연결상태를 확인해주세요!...", "전송실패"));
        QVERIFY(Clock::now() - start < kUnderASerialWait);
        // Back to a line that opens.
        useSerial(com1_.device());
        QCOMPARE(panes()->linkStatus(), QString("연결: COM3, 57600 bps"));
    }

    void linkStatusTexts() {
        QCOMPARE(panes()->linkStatus(), QString("연결: COM1, 57600 bps"));
        QCOMPARE(doc_->setTcpPeer({10, 1, 2, 3}, 5000), DocOutcome::Done);
        a().tcp->trigger();
        QCOMPARE(panes()->linkStatus(), QString("[IP:10.1.2.3],   [PORT:5000]"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 3000);
        prompts_->peer = TcpPeer{{10, 1, 2, 4}, 5001};
        a().ipSettings->trigger();
        QCOMPARE(panes()->linkStatus(), QString("[IP:10.1.2.4],  [PORT:5001]"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 3000);
        a().newProject->trigger();  // the settings stay in the store: TCP again, two blanks
        QCOMPARE(panes()->linkStatus(), QString("[IP:10.1.2.4],  [PORT:5001]"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 3000);
        // A window started in TCP mode shows two blanks too.
        frame_.reset();
        makeFrame();
        QCOMPARE(panes()->linkStatus(), QString("[IP:10.1.2.4],  [PORT:5001]"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 3000);
        a().serial->trigger();
        QCOMPARE(panes()->linkStatus(), QString("연결: COM1, 57600 bps"));
        QVERIFY(a().serial->isChecked() && !a().tcp->isChecked());
    }

    void portDialog() {
        SerialSettings s;
        s.portNumber = 4;
        s.baud = 12345;  // in no list: the first entry's value replaces it
        s.parity = 1;
        s.stopBits = 2;
        s.flowControl = 0;
        PortSettingsDialog dialog(s);
        QCOMPARE(dialog.windowTitle(), QString("포트설정"));
        QCOMPARE(dialog.portList()->count(), 20);
        QCOMPARE(dialog.portList()->itemText(0), QString("COM1    %1").arg(com1_.device().c_str()));
        qunsetenv("ORB_COM20");
        QCOMPARE(dialog.portList()->itemText(19), QString("COM20    /dev/ttyS19"));
        QCOMPARE(dialog.portList()->currentIndex(), 3);
        QStringList bauds;
        for (int i = 0; i < dialog.baudList()->count(); ++i) bauds << dialog.baudList()->itemText(i);
        QCOMPARE(bauds,
                 QStringList({"1200", "2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"}));
        QCOMPARE(dialog.baudList()->currentIndex(), 0);
        QCOMPARE(dialog.parityList()->currentText(), QString("Odd"));
        QCOMPARE(dialog.stopBitsList()->currentText(), QString("2"));
        for (QCheckBox* box : dialog.flowBoxes()) box->setChecked(true);
        dialog.parityList()->setCurrentIndex(1);
        dialog.dataBitsList()->setCurrentIndex(0);
        const SerialSettings chosen = dialog.settings();
        QCOMPARE(chosen.baud, 1200u);
        QCOMPARE(chosen.parity, 2);  // "Even"
        QCOMPARE(chosen.dataBits, 7);
        QCOMPARE(chosen.flowControl, 0);  // the boxes change nothing
        QCOMPARE(chosen.portNumber, 4);
    }

    void ipDialogChecks() {
        IpSettingsDialog dialog(TcpPeer{{10, 1, 2, 3}, 5000});
        QStringList refusals;
        dialog.setRefusal([&](QWidget*, const QString& text) { refusals << text; });
        QCOMPARE(dialog.windowTitle(), QString("IP설정"));
        QCOMPARE(dialog.addressField()->text(), QString("10.1.2.3"));
        QCOMPARE(dialog.portField()->text(), QString("5000"));
        dialog.show();
        dialog.portField()->clear();
        QTest::keyClicks(dialog.portField(), "6553");
        QTest::keyClick(dialog.portField(), Qt::Key_6);  // 65536: back to the last valid port
        QCOMPARE(dialog.portField()->text(), QString("6553"));
        QTest::keyClick(dialog.portField(), Qt::Key_5);
        QCOMPARE(dialog.portField()->text(), QString("65535"));

        dialog.addressField()->setText("999.1.1.1");
        dialog.accept();
        QCOMPARE(refusals, QStringList({IpSettingsDialog::kAddressRange}));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.isVisible());
        for (const char* bad : {"1.2.3", "1.2.3.4.5", "1..3.4", "", "256.0.0.1"}) {
            dialog.addressField()->setText(bad);
            dialog.accept();
            QCOMPARE(refusals.back(), QString(IpSettingsDialog::kAddressRange));
        }
        dialog.addressField()->setText("192.168.0.7");
        dialog.portField()->clear();
        dialog.accept();
        QCOMPARE(refusals.back(), QString(IpSettingsDialog::kPortEmpty));
        QVERIFY(dialog.isVisible());
        dialog.portField()->setText("65535");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.peer().ip, (std::array<uint8_t, 4>{192, 168, 0, 7}));
        QCOMPARE(dialog.peer().port, uint16_t(65535));
        QCOMPARE(refusals.size(), 7);
    }

    void sizeAndBrightnessDialogs() {
        std::unique_ptr<ChoiceListDialog> size(ChoiceListDialog::signSize(12, 3, nullptr));
        QCOMPARE(size->windowTitle(), QString("규격"));
        QCOMPARE(size->list(0)->count(), 8);
        QCOMPARE(size->list(0)->itemText(0), QString("1단"));
        QCOMPARE(size->list(0)->itemText(7), QString("8단"));
        QCOMPARE(size->list(1)->count(), 36);
        QCOMPARE(size->list(1)->itemText(0), QString("5열"));
        QCOMPARE(size->list(1)->itemText(35), QString("40열"));
        QCOMPARE(size->list(0)->currentText(), QString("3단"));
        QCOMPARE(size->list(1)->currentText(), QString("12열"));
        std::unique_ptr<ChoiceListDialog> level(ChoiceListDialog::brightness(4, nullptr));
        QCOMPARE(level->windowTitle(), QString("LED밝기"));
        QCOMPARE(level->list(0)->count(), 10);
        QCOMPARE(level->list(0)->itemText(0), QString("1(최소밝기)"));
        QCOMPARE(level->list(0)->itemText(1), QString("2"));
        QCOMPARE(level->list(0)->itemText(9), QString("10(최대밝기)"));
        QCOMPARE(level->list(0)->currentText(), QString("5"));
    }

    void pullMakesAProjectThatBuildsWhatTheSignHolds() {
        signHoldsTheExample();
        SignEmu emu(*dir_, {"--delay", "4"});  // slow enough for the progress to be seen
        useTcp(emu.port());
        a().add[0]->trigger();
        // Unsaved changes are asked about first; cancelled, nothing starts.
        prompts_->saveAnswer = SaveChoice::Cancel;
        pull();
        QCOMPARE(prompts_->saveQuestions, 1);
        QVERIFY(idle() && prompts_->folderQuestions.empty());
        prompts_->saveAnswer = SaveChoice::Discard;
        std::set<QString> percents;
        bool cancelShown = false;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, [&] {
            percents.insert(panes()->percentText());
            cancelShown = cancelShown || panes()->cancelButton()->isVisible();
        });
        sampler.start(5);
        pull();
        QCOMPARE(sign()->activity(), SignActivity::Transfer);
        QVERIFY(!a().pullProgram->isEnabled() && !a().open->isEnabled());
        ItemStore example;
        QCOMPARE(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, example), IoResult::Ok);
        QCOMPARE(outcome(),
                 std::make_pair(QString("전광판에서 %1개 항목을 가져왔습니다").arg(example.itemCount()),
                                QString("가져오기완료")));
        sampler.stop();
        QCOMPARE(prompts_->kinds.back(), MessageKind::Information);
        QVERIFY(cancelShown);
        QVERIFY2(std::count_if(percents.begin(), percents.end(),
                               [](const QString& p) {
                                   const int n = p.section(' ', 0, 0).toInt();
                                   return p.endsWith(" %") && n > 0 && n < 100;
                               }) >= 2,
                 qPrintable(QStringList(percents.begin(), percents.end()).join(',')));
        QCOMPARE(panes()->percentText(), QString());
        // A new project without a file, on the link it came over.
        QCOMPARE(doc_->rowCount(), example.itemCount());
        QVERIFY(!doc_->isClean() && doc_->projectPath().empty());
        QCOMPARE(doc_->settings().linkMode(), LinkMode::Tcp);
        QCOMPARE(doc_->settings().tcpPort(), emu.port());
        std::set<std::string> pictures;
        for (const auto& f : std::filesystem::directory_iterator(dir_->file("pulled")))
            pictures.insert(f.path().extension().string());
        QVERIFY(pictures.count(".bmp") && pictures.count(".gif"));
        QCOMPARE(doc_->saveAs(dir_->file("pulled.dat")), DocOutcome::Done);
        const testing::SentProgram sent =
            testing::compareSentProgram(emu.memory, dir_->file("pulled.dat"), dir_->file("image.tmp"));
        QVERIFY2(sent.problem.empty(), sent.problem.c_str());
        QVERIFY(sent.compared > 5000);
    }

    void cancellingAPullLeavesTheDocumentAsItWas() {
        signHoldsTheExample();
        SignEmu emu(*dir_, {"--delay", "40"});
        useTcp(emu.port());
        a().add[0]->trigger();
        a().add[1]->trigger();
        const std::vector<ListRow> rows = doc_->rows();
        pull();
        QTRY_VERIFY(countOf(emu.logText(), "read ") >= 3);
        QVERIFY(panes()->cancelButton()->isVisible());
        panes()->cancelButton()->click();
        QCOMPARE(outcome(), message("가져오기를 취소했습니다", "가져오기실패"));
        QCOMPARE(prompts_->kinds.back(), MessageKind::Warning);
        QCOMPARE(doc_->rowCount(), 2);
        QVERIFY(doc_->rows()[1].columns == rows[1].columns);
        QVERIFY(!doc_->isClean());
        QVERIFY(!std::filesystem::exists(dir_->file("pulled")));
        QVERIFY(a().pullProgram->isEnabled());
    }

    void aSilentSignFailsThePullWithTheLinksMessage() {
        SignEmu emu(*dir_, {"--no-answer-after", "0"});
        useTcp(emu.port());
        const auto start = Clock::now();
        pull();
        QCOMPARE(outcome(), message("전광판과의 연결상태를 확인해주세요!...", "가져오기실패"));
        QCOMPARE(prompts_->kinds.back(), MessageKind::Critical);
        QVERIFY(Clock::now() - start < kUnderASerialWait);
        QCOMPARE(doc_->rowCount(), 0);
        QVERIFY(!std::filesystem::exists(dir_->file("pulled")));
    }

    void closingWhileATransferRunsStopsItFirst() {
        SignEmu emu(*dir_, {"--delay", "40"});
        openExample();
        useTcp(emu.port());
        frame_->view()->transferButton()->click();
        QVERIFY(!frame_->close());
        QVERIFY(frame_->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!frame_->isVisible(), 5000);
        QCOMPARE(prompts_->messages.back(), message("전송을 취소했습니다", "전송실패"));
    }
};

}  // namespace orb

QTEST_MAIN(orb::OrbSignTest)
#include "OrbSignTest.moc"
