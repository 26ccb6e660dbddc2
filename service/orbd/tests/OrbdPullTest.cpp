// A sign adopted through orbd by reading its program back: the version stored builds exactly the
// sign's memory and the sign is recorded as holding it; a pull into an existing program adds a
// version; empty or hostile memory fails the job with nothing stored; a viewer may not pull.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor/tests/SentProgram.h"
#include "link/SignLink.h"
#include "link/TcpLink.h"
#include "service/orbd/tests/OrbdProcess.h"
#include "testsupport/SignEmu.h"

namespace orb {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using testing::Orbd, testing::SignEmu, testing::TempDir;

json addSign(Orbd& orbd, const std::string& name, const SignEmu& sign) {
    const json in = {{"name", name}, {"link", "tcp:127.0.0.1:" + std::to_string(sign.port())}};
    int status = 0;
    const json made = orbd.call("POST", "/api/v1/signs", in.dump(), "application/json", &status);
    EXPECT_EQ(status, 201) << made.dump();
    return made;
}

json pull(Orbd& orbd, int64_t sign, const std::string& body = {}) {
    int status = 0;
    const json job = orbd.call("POST", "/api/v1/signs/" + std::to_string(sign) + "/pull", body,
                               "application/json", &status);
    EXPECT_EQ(status, 201) << job.dump();
    return orbd.finishedJob(job.value("id", int64_t{0}));
}

// The stored version's bundle imported and built, compared with the sign's memory file.
std::string builtAgainstSign(Orbd& orbd, const TempDir& dir, int64_t program, int version,
                             const std::string& memory) {
    const std::string zip = orbd.bytes("/api/v1/programs/" + std::to_string(program) + "/versions/" +
                                       std::to_string(version) + "/bundle");
    if (zip.empty()) return "no bundle";
    testing::writeFileBytes(dir.file("pulled.zip"), std::vector<uint8_t>(zip.begin(), zip.end()));
    const testing::Outcome imported = orbctl("import " + dir.file("pulled.zip") + " -o " +
                                             dir.file("pulled.dat") + " --media " + dir.file("media"));
    if (imported.status != 0) return "orbctl import: " + imported.output;
    return testing::compareSentProgram(memory, dir.file("pulled.dat"), dir.file("pulled.img")).problem;
}

TEST(OrbdPull, TheExampleIsAdoptedAndEmptyOrHostileMemoryStoresNothing) {
    TempDir dir;
    const std::string admin = testing::addUserToken(dir, "admin", "admin");
    const std::string viewer = testing::addUserToken(dir, "viewer", "viewer");
    ASSERT_FALSE(admin.empty());
    ASSERT_FALSE(viewer.empty());
    TempDir heldDir, emptyDir, hostileDir;
    SignEmu held(heldDir, {}), empty(emptyDir, {}, false, false), hostile(hostileDir, {}, false, false);
    ASSERT_EQ(orbctl("send " EXAMPLE_PROJECT " " + held.link).status, 0);
    {
        // An item count no program of ours leaves.
        TcpLink tcp;
        tcp.setPeer("127.0.0.1", hostile.port());
        SignLink link;
        link.useTcp(tcp);
        ASSERT_EQ(link.transact(SignFrame::memoryWrite(0x4008, std::vector<uint8_t>{6, 1, 0x13, 0x88})),
                  LinkResult::Ok);
    }

    Orbd orbd(dir, admin);
    const int64_t heldId = addSign(orbd, "lobby <b>", held)["id"];
    const int64_t emptyId = addSign(orbd, "empty", empty)["id"];
    const int64_t hostileId = addSign(orbd, "hostile", hostile)["id"];

    orbd.useToken(viewer);
    int status = 0;
    orbd.call("POST", "/api/v1/signs/" + std::to_string(heldId) + "/pull", {}, {}, &status);
    EXPECT_EQ(status, 403);
    orbd.useToken(admin);

    json job = pull(orbd, heldId);
    ASSERT_EQ(job["state"], "done") << job.dump();
    EXPECT_EQ(job["action"], "pull");
    EXPECT_THAT(job["signs"][0]["message"].get<std::string>(), HasSubstr("the sign holds it"));
    json programs = orbd.call("GET", "/api/v1/programs");
    ASSERT_EQ(programs.size(), 1u) << programs.dump();
    const int64_t program = programs[0]["id"];
    EXPECT_THAT(programs[0]["name"].get<std::string>(), ::testing::StartsWith("lobby <b> 20"));
    json sign = orbd.call("GET", "/api/v1/signs/" + std::to_string(heldId));
    ASSERT_TRUE(sign["holds"].is_object()) << sign.dump();
    EXPECT_EQ(sign["holds"]["program"], program);
    EXPECT_EQ(sign["holds"]["version"], 1);

    // Again, into the same program: its next version.
    job = pull(orbd, heldId, json{{"program", program}}.dump());
    ASSERT_EQ(job["state"], "done") << job.dump();
    EXPECT_EQ(job["program"], program);
    const json first = sign;
    sign = orbd.call("GET", "/api/v1/signs/" + std::to_string(heldId));
    EXPECT_EQ(sign["holds"]["version"], 2) << sign.dump();
    EXPECT_EQ(sign["holds"]["since"], first["holds"]["since"])
        << "nothing was written: it plays from then still";
    orbd.call("POST", "/api/v1/signs/" + std::to_string(heldId) + "/pull", R"({"program": 99})",
              "application/json", &status);
    EXPECT_EQ(status, 422);

    for (const auto& [id, words] : {std::pair{emptyId, "the sign holds no program"},
                                    std::pair{hostileId, "the sign reports 5000 items"}}) {
        job = pull(orbd, id);
        EXPECT_EQ(job["state"], "failed") << job.dump();
        EXPECT_THAT(job["signs"][0]["message"].get<std::string>(), HasSubstr(words));
        EXPECT_EQ(job["signs"][0]["attempt"], 1) << "reading again gives the same";
        EXPECT_TRUE(orbd.call("GET", "/api/v1/signs/" + std::to_string(id))["holds"].is_null());
    }
    EXPECT_EQ(orbd.call("GET", "/api/v1/programs").size(), 1u);
    EXPECT_EQ(orbd.call("GET", "/api/v1/audit?action=job.pull").size(), 4u);

    held.process->stop();  // writes its memory file
    for (int version : {1, 2}) {
        SCOPED_TRACE("version " + std::to_string(version));
        EXPECT_EQ(builtAgainstSign(orbd, dir, program, version, held.memory), "");
    }
    EXPECT_EQ(orbd.stop(), 0);
}

}  // namespace
}  // namespace orb
