// The orbd program as operators and the packaged service run it: its ready line, one service per
// data folder, users and tokens from the command line, refusals with exit 1, a clean stop.
#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>

#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::ChildProcess;
using testing::runCommand;
using testing::TempDir;

const std::string kOrbd = ORBD_PATH;

ChildProcess startOrbd(const TempDir& dir, std::vector<std::string> more = {}) {
    std::vector<std::string> argv = {kOrbd, "--data", dir.file("data"), "--listen", "127.0.0.1:0"};
    argv.insert(argv.end(), more.begin(), more.end());
    return ChildProcess(argv);
}

TEST(OrbdProgram, HelpNamesTheCommands) {
    const testing::Outcome r = runCommand(kOrbd + " --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("--listen HOST:PORT"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("user"), std::string::npos);
    EXPECT_EQ(runCommand(kOrbd + " --listen nowhere").status, 2);
}

TEST(OrbdProgram, SaysWhereItListensAndASecondOneOnTheFolderIsRefused) {
    TempDir dir;
    ChildProcess orbd = startOrbd(dir, {"--testing-clock", "2030-05-06 07:08:09"});
    ASSERT_EQ(orbd.firstLine().rfind("orbd: listening on http://127.0.0.1:", 0), 0u) << orbd.firstLine();
    httplib::Client client("127.0.0.1", orbd.port());
    const httplib::Result health = client.Get("/api/v1/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(nlohmann::json::parse(health->body)["time"].get<std::string>().substr(0, 16),
              "2030-05-06T07:08");

    const testing::Outcome second =
        runCommand(kOrbd + " --data " + dir.file("data") + " --listen 127.0.0.1:0 </dev/null");
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.output.find("another orbd"), std::string::npos) << second.output;
    EXPECT_EQ(orbd.stop(), 0);
}

TEST(OrbdProgram, UsersAndTokensAreAddedBesideARunningService) {
    TempDir dir;
    ChildProcess orbd = startOrbd(dir);
    const std::string data = " --data " + dir.file("data");
    testing::Outcome r =
        runCommand("echo 'a good password' | " + kOrbd + data + " user add alice --role operator");
    ASSERT_EQ(r.status, 0) << r.output;
    r = runCommand("echo 'short' | " + kOrbd + data + " user add bob --role viewer");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("password"), std::string::npos) << r.output;
    EXPECT_EQ(runCommand(kOrbd + data + " user add carol --role boss </dev/null").status, 2);
    r = runCommand(kOrbd + data + " token add alice");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string token = r.output.substr(0, r.output.find('\n'));
    EXPECT_EQ(token.size(), 64u) << r.output;

    httplib::Client client("127.0.0.1", orbd.port());
    const httplib::Result me = client.Get("/api/v1/session", {{"Authorization", "Bearer " + token}});
    ASSERT_TRUE(me);
    ASSERT_EQ(me->status, 200) << me->body;
    EXPECT_EQ(nlohmann::json::parse(me->body)["role"], "operator");
    EXPECT_EQ(runCommand(kOrbd + data + " token add nobody").status, 1);
}

TEST(OrbdProgram, ACorruptDatabaseIsRefusedNamingItAndLeftAsItWas) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("data"));
    std::filesystem::permissions(dir.file("data"), std::filesystem::perms::owner_all);
    const std::vector<uint8_t> garbage(5000, 0x5a);
    testing::writeFileBytes(dir.file("data/orbd.db"), garbage);
    const testing::Outcome r = runCommand(kOrbd + " --data " + dir.file("data") + " --listen 127.0.0.1:0");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(dir.file("data/orbd.db")), std::string::npos) << r.output;
    EXPECT_EQ(testing::readFileBytes(dir.file("data/orbd.db")), garbage);
}

}  // namespace
}  // namespace orb
