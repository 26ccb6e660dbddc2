// orbd end to end on loopback with twenty signemu signs in two groups: a push to one group leaves
// every sign's memory as orbctl build writes it and records each as holding the program; a sign
// that stores other bytes ends failed and is not recorded; a sign stopped mid-push is tried again
// and done once it is back; orbd killed mid-push and started again finishes the job, and its
// database passes PRAGMA integrity_check.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sqlite3.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "bundle/ProgramBundle.h"
#include "editor/tests/SentProgram.h"
#include "service/fleet/tests/FleetFixtures.h"
#include "service/orbd/tests/OrbdProcess.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/SignEmu.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using nlohmann::json;
using testing::ChildProcess;
using testing::Orbd;
using testing::SignEmu;
using testing::TempDir;

constexpr int kSigns = 20;
constexpr int kCorrupt = 1;  // in group a
constexpr int kStopped = 2;  // in group a, stopped mid-push and started again

// The frames a signemu has logged so far.
size_t framesLogged(const SignEmu& sign) {
    const std::string log = sign.logText();
    return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
}

std::string integrityOf(const std::string& path) {
    sqlite3* db = nullptr;
    std::string out = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

TEST(OrbdNetwork, PushesToAGroupVerifiedRetriedAndResumedAfterAKill) {
    TempDir dir;
    // Settings of the next start: quick retries, enough tries for a sign to come back.
    ASSERT_EQ(testing::runCommand("echo 'network password' | " ORBD_PATH " --data " + dir.file("data") +
                                  " user add admin --role admin")
                  .status,
              0);
    const testing::Outcome token =
        testing::runCommand(ORBD_PATH " --data " + dir.file("data") + " token add admin");
    ASSERT_EQ(token.status, 0);
    const std::string key = token.output.substr(0, 64);

    std::vector<std::unique_ptr<TempDir>> dirs;
    std::vector<std::unique_ptr<SignEmu>> signs;
    std::vector<uint16_t> ports;
    for (int i = 0; i < kSigns; ++i) {
        dirs.push_back(std::make_unique<TempDir>());
        std::vector<std::string> faults;
        if (i == kCorrupt) faults = {"--corrupt-from", "5"};
        if (i == kStopped) faults = {"--delay", "10"};   // slow, so that it is caught mid-push
        if (i >= kSigns / 2) faults = {"--delay", "3"};  // group b: slow enough to be killed during
        const bool keepMemory = i < kSigns / 2;
        signs.push_back(std::make_unique<SignEmu>(*dirs.back(), faults, false, keepMemory));
        ports.push_back(signs.back()->port());
    }
    const PushProgram example = testing::examplePush();

    auto orbd = std::make_unique<Orbd>(dir, key);
    int status = 0;
    orbd->call("PATCH", "/api/v1/settings", R"({"first_retry_ms": 300, "max_retry_ms": 1000, "tries": 6})",
               "application/json", &status);
    ASSERT_EQ(status, 200);
    EXPECT_EQ(orbd->stop(), 0);
    orbd = std::make_unique<Orbd>(dir, key);

    for (int i = 0; i < kSigns; ++i) {
        const json sign = {{"name", "sign " + std::to_string(i)},
                           {"link", "tcp:127.0.0.1:" + std::to_string(ports[i])},
                           {"groups", {i < kSigns / 2 ? "a" : "b"}},
                           {"width", example.width},
                           {"height", example.height}};
        const json made = orbd->call("POST", "/api/v1/signs", sign.dump(), "application/json", &status);
        ASSERT_EQ(status, 201) << made.dump();
        ASSERT_EQ(made["id"], i + 1);
    }
    std::vector<uint8_t> zip;
    ASSERT_TRUE(writeBundle(*example.store, zip).ok());
    const json program = orbd->call("POST", "/api/v1/programs?name=example",
                                    std::string(zip.begin(), zip.end()), "application/zip", &status);
    ASSERT_EQ(status, 201) << program.dump();

    // Group a, with a sign stopped mid-push and started again on its port.
    const json pushA =
        orbd->call("POST", "/api/v1/jobs",
                   json{{"action", "push"}, {"program", program["id"]}, {"groups", {"a"}}}.dump(),
                   "application/json", &status);
    ASSERT_EQ(status, 201) << pushA.dump();
    for (int i = 0; i < 2000 && framesLogged(*signs[kStopped]) < 20; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    signs[kStopped]->process->stop();
    // Back on its port with its memory, as a sign that was switched off and on.
    signs[kStopped]->process = std::make_unique<ChildProcess>(
        std::vector<std::string>{SIGNEMU_PATH, "--tcp", "127.0.0.1:" + std::to_string(ports[kStopped]),
                                 "--memory", signs[kStopped]->memory});
    const std::string built = dir.file("built.image");
    ASSERT_EQ(orbctl("build " EXAMPLE_PROJECT " -o " + built).status, 0);
    const json jobA = orbd->finishedJob(pushA["id"]);
    EXPECT_EQ(jobA["state"], "failed") << jobA.dump();
    ASSERT_EQ(jobA["signs"].size(), 10u);
    for (int i = 0; i < kSigns / 2; ++i) {
        const json& s = jobA["signs"][i];
        const json sign = orbd->call("GET", "/api/v1/signs/" + std::to_string(i + 1));
        if (i == kCorrupt) {
            EXPECT_EQ(s["state"], "failed");
            EXPECT_EQ(s["message"].get<std::string>().rfind("전송 확인 실패: ", 0), 0u) << s.dump();
            EXPECT_TRUE(sign["holds"].is_null()) << sign.dump();
            continue;
        }
        EXPECT_EQ(s["state"], "done") << s.dump();
        if (i == kStopped) {
            EXPECT_GT(s["attempt"], 1) << s.dump();
        }
        ASSERT_TRUE(sign["holds"].is_object()) << sign.dump();
        EXPECT_EQ(sign["holds"]["program"], program["id"]);
        EXPECT_EQ(sign["state"], "online");
    }
    // Each sign writes its memory file as it stops: all at once.
    for (int i = 0; i < kSigns / 2; ++i) ::kill(signs[i]->process->pid(), SIGTERM);
    for (int i = 0; i < kSigns / 2; ++i) {
        signs[i]->process->stop();
        if (i == kCorrupt) continue;
        const testing::SentProgram sent =
            testing::compareBuiltProgram(signs[i]->memory, EXAMPLE_PROJECT, built);
        EXPECT_EQ(sent.problem, "") << "sign " << i;
    }

    // Group b, with orbd killed while it pushes and started again.
    const json pushB =
        orbd->call("POST", "/api/v1/jobs",
                   json{{"action", "push"}, {"program", program["id"]}, {"groups", {"b"}}}.dump(),
                   "application/json", &status);
    ASSERT_EQ(status, 201) << pushB.dump();
    for (int i = 0; i < 2000 && framesLogged(*signs[kSigns / 2]) < 20; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    orbd->kill();
    orbd = std::make_unique<Orbd>(dir, key);
    const json jobB = orbd->finishedJob(pushB["id"]);
    EXPECT_EQ(jobB["state"], "done") << jobB.dump();
    for (int i = kSigns / 2; i < kSigns; ++i) {
        const json sign = orbd->call("GET", "/api/v1/signs/" + std::to_string(i + 1));
        ASSERT_TRUE(sign["holds"].is_object()) << sign.dump();
        EXPECT_EQ(sign["holds"]["program"], program["id"]);
    }
    EXPECT_EQ(orbd->call("GET", "/api/v1/audit?action=orbd.start").size(), 3u);
    const json resumed = orbd->call("GET", "/api/v1/audit?action=job.resume");
    ASSERT_EQ(resumed.size(), 1u);
    EXPECT_EQ(resumed[0]["target"], "job " + std::to_string(pushB["id"].get<int64_t>()));
    EXPECT_EQ(orbd->stop(), 0);
    EXPECT_EQ(integrityOf(dir.file("data/orbd.db")), "ok");
}

}  // namespace
}  // namespace orb
