// The API's resources endpoint by endpoint: signs, groups, programs, jobs, users, settings, the
// audit log and the health check.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <filesystem>

#include "bundle/ProgramBundle.h"
#include "content/GifAnimation.h"
#include "image/ItemStore.h"

#include "service/core/SignFrames.h"
#include "service/http/tests/ApiFixture.h"
#include "testsupport/TestFonts.h"

namespace orb {
namespace {

using testing::Reply;
using ApiResourcesTest = testing::ApiFixture;
using nlohmann::json;

TEST_F(ApiResourcesTest, SignsAreCreatedWithTheirGroupsReadChangedAndDeleted) {
    Reply r = post("/api/v1/signs", {{"name", "front"},
                                     {"link", "tcp:127.0.0.1:9000"},
                                     {"groups", {"north", "shops"}},
                                     {"location", "main door"}});
    ASSERT_EQ(r.status, 201) << r.body;
    const int64_t id = r.json["id"];
    EXPECT_EQ(r.header("Location"), "/api/v1/signs/" + std::to_string(id));
    r = get("/api/v1/signs/" + std::to_string(id), "viewer");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.json["name"], "front");
    EXPECT_EQ(r.json["link"], "tcp:127.0.0.1:9000");
    EXPECT_EQ(r.json["groups"], json({"north", "shops"}));
    EXPECT_EQ(r.json["state"], "unknown");
    EXPECT_TRUE(r.json["holds"].is_null());
    EXPECT_EQ(r.json["holding"], "unknown");
    EXPECT_EQ(r.json["model"], "LEDSign");
    EXPECT_EQ(r.json["width"], 6);
    EXPECT_EQ(get("/api/v1/groups").json.size(), 2u);

    EXPECT_EQ(post("/api/v1/signs", {{"name", "front"}, {"link", "serial:/dev/ttyS0@9600"}}).errorCode(),
              "conflict");
    r = send("PATCH", "/api/v1/signs/" + std::to_string(id),
             R"({"link": "serial:/dev/ttyUSB0", "groups": []})", "admin");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["link"], "serial:/dev/ttyUSB0");
    EXPECT_EQ(r.json["groups"], json::array());
    EXPECT_EQ(r.json["location"], "main door");
    EXPECT_EQ(send("PATCH", "/api/v1/signs/" + std::to_string(id), R"({"height": 9})", "admin").status, 422);
    EXPECT_EQ(get("/api/v1/signs").json.size(), 1u);
    EXPECT_EQ(send("DELETE", "/api/v1/signs/" + std::to_string(id), {}, "admin").status, 204);
    EXPECT_EQ(get("/api/v1/signs/" + std::to_string(id)).status, 404);
    EXPECT_EQ(send("DELETE", "/api/v1/signs/" + std::to_string(id), {}, "admin").status, 404);
}

TEST_F(ApiResourcesTest, ASignsFrameIsItsLedRowsAsPlainTextNearTheServicesNow) {
    const int64_t id = addSign("front");
    const std::string path = "/api/v1/signs/" + std::to_string(id) + "/frame?at=";
    const auto at = [&](int64_t ms) { return toIsoText(fromMillis(clock.nowMillis() + ms)); };
    EXPECT_EQ(get(path + at(0), "viewer").json["error"]["code"], "unavailable");  // no frames served

    testing::TempDir fonts;
    testing::writeTestFonts(fonts.path().string());
    SignFonts loaded;
    std::string failed;
    ASSERT_TRUE(loaded.loadFonts(fonts.path().string(), failed));
    SignFrames frames(store, clock, loaded);
    net->frames = &frames;
    EXPECT_EQ(get(path + at(0), "viewer").status, 409);  // what it holds is not known
    ASSERT_EQ(
        store.signs.recordHolding(id, {SignHolding::Empty, 0, 0, at(-5'000), at(-5'000)}, net->actor("x")),
        DbStatus::Ok);
    const Reply shown = get(path + at(0), "viewer");
    EXPECT_EQ(shown.status, 200) << shown.body;
    EXPECT_EQ(shown.headers.find("Content-Type")->second, "text/plain");
    // Six modules by one: 16 rows of 96 LEDs (a sign that holds no program shows its own message).
    std::istringstream lines(shown.body);
    std::string line;
    int rows = 0;
    for (; std::getline(lines, line); ++rows) {
        EXPECT_EQ(line.size(), 96u);
        EXPECT_EQ(line.find_first_not_of(".RGY"), std::string::npos) << line;
    }
    EXPECT_EQ(rows, 16);
    EXPECT_EQ(shown.body.back(), '\n');
    for (const std::string& when : {at(-120'000), at(700'000), at(-10'000)}) {
        const Reply r = get(path + when, "viewer");
        EXPECT_EQ(r.status, 422) << when;
        EXPECT_EQ(r.json["error"]["code"], "out-of-range") << r.body;
    }
    for (const std::string& bad :
         {path + "2025-02-30T10:00:00", path.substr(0, path.find('?')), path + at(0) + "&extra=1"}) {
        const Reply r = get(bad, "viewer");
        EXPECT_TRUE(r.status == 400 || r.status == 422) << bad << ": " << r.status;
    }
    EXPECT_EQ(get("/api/v1/signs/999/frame?at=" + at(0), "viewer").status, 404);
    net->frames = nullptr;
}

TEST_F(ApiResourcesTest, AProgramsPreviewIsAGifOfTheEnginesFramesAtTheSizeAsked) {
    std::ifstream in(EXAMPLE_PROJECT, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ItemStore items;
    ASSERT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, items), IoResult::Ok);
    const int64_t id = addProgram("demo", std::move(bytes), items.itemCount());
    const std::string path =
        "/api/v1/programs/" + std::to_string(id) + "/versions/1/preview?at=2026-03-02T09:00:00";
    EXPECT_EQ(get(path, "viewer").json["error"]["code"], "unavailable");  // no engine fonts

    testing::TempDir fonts;
    testing::writeTestFonts(fonts.path().string());
    SignFonts loaded;
    std::string failed;
    ASSERT_TRUE(loaded.loadFonts(fonts.path().string(), failed));
    SignFrames frames(store, clock, loaded);
    net->frames = &frames;
    const Reply r = get(path + "&width=10&height=2&seconds=3&scale=3", "viewer");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.headers.find("Content-Type")->second, "image/gif");
    GifAnimation gif;
    ASSERT_TRUE(gif.Load(std::span(reinterpret_cast<const uint8_t*>(r.body.data()), r.body.size())));
    EXPECT_EQ(gif.Width(), 10 * 16 * 3);
    EXPECT_EQ(gif.Height(), 2 * 16 * 3);
    EXPECT_EQ(gif.Frames().size(), 30u);  // a frame each tenth of a second
    EXPECT_EQ(gif.Frames()[0].delay, 10);

    for (const char* bad : {"&width=4", "&height=9", "&seconds=61", "&scale=0", "&seconds=x"})
        EXPECT_EQ(get(path + bad, "viewer").status, 422) << bad;
    EXPECT_EQ(get(path.substr(0, path.find('?')), "viewer").status, 422);  // no time
    EXPECT_EQ(
        get("/api/v1/programs/" + std::to_string(id) + "/versions/2/preview?at=2026-03-02T09:00:00", "viewer")
            .status,
        404);
    net->frames = nullptr;
}

TEST_F(ApiResourcesTest, GroupsAreMadeRenamedGivenMembersAndDeleted) {
    const int64_t a = addSign("a"), b = addSign("b");
    Reply r = post("/api/v1/groups", {{"name", "east"}, {"signs", {a}}});
    ASSERT_EQ(r.status, 201) << r.body;
    const std::string path = "/api/v1/groups/" + std::to_string(r.json["id"].get<int64_t>());
    EXPECT_EQ(r.json["signs"], json({a}));
    r = send("PATCH", path, json{{"name", "west"}, {"signs", {b, a}}}.dump(), "admin");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["name"], "west");
    EXPECT_EQ(r.json["signs"], json({a, b}));
    EXPECT_EQ(get("/api/v1/signs/" + std::to_string(b)).json["groups"], json({"west"}));
    EXPECT_EQ(send("PATCH", path, R"({"signs": [12345]})", "admin").status, 422);
    EXPECT_EQ(post("/api/v1/groups", {{"name", "west"}}).status, 409);
    EXPECT_EQ(send("DELETE", path, {}, "admin").status, 204);
    EXPECT_EQ(get(path).status, 404);
    EXPECT_EQ(get("/api/v1/signs/" + std::to_string(b)).json["groups"], json::array());
}

// The example project as a bundle, its pictures with it.
std::string exampleBundle() {
    ItemStore project;
    EXPECT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, project), IoResult::Ok);
    std::vector<uint8_t> zip;
    const BundleOutcome written = writeBundle(project, zip);
    EXPECT_TRUE(written.ok()) << toText(written);
    return {zip.begin(), zip.end()};
}

TEST_F(ApiResourcesTest, AnUploadedBundleIsListedAsTheEditorListsItAndComesBackWhole) {
    const std::string zip = exampleBundle();
    Reply r = send("POST", "/api/v1/programs?name=demo", zip, "operator", {}, "application/zip");
    ASSERT_EQ(r.status, 201) << r.body;
    const int64_t id = r.json["id"];
    EXPECT_EQ(r.json["version"], 1);
    r = get("/api/v1/programs/" + std::to_string(id), "viewer");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["name"], "demo");
    EXPECT_EQ(r.json["latest"], 1);
    EXPECT_EQ(r.json["current"]["columns"][0], "구분");
    // The rows are the lines of orbctl list's golden file, column by column; a picture shows
    // under its name in the bundle ("media/001-logo.bmp" for "logo.bmp").
    std::ifstream list(EXAMPLE_LIST);
    std::string line;
    size_t row = 0;
    for (; std::getline(list, line); ++row) {
        ASSERT_LT(row, r.json["current"]["rows"].size());
        const json& columns = r.json["current"]["rows"][row];
        ASSERT_EQ(columns.size(), 9u);
        std::istringstream fields(line);
        std::string expected;
        for (int c = 0; std::getline(fields, expected, '\t'); ++c) {
            const std::string actual = columns[c];
            const bool renamed = actual.size() > expected.size() && actual.ends_with("-" + expected);
            EXPECT_TRUE(actual == expected || renamed) << "row " << row << " column " << c << ": " << actual;
        }
    }
    EXPECT_EQ(row, r.json["current"]["rows"].size());
    EXPECT_EQ(get("/api/v1/programs/" + std::to_string(id) + "/versions/1").json["version"], 1);
    EXPECT_EQ(get("/api/v1/programs/" + std::to_string(id) + "/versions/2").status, 404);
    EXPECT_EQ(get("/api/v1/programs").json.size(), 1u);

    // Its bundle: the program as uploaded and every file, which reads as the upload did.
    r = get("/api/v1/programs/" + std::to_string(id) + "/versions/1/bundle", "viewer");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.header("Content-Type"), "application/zip");
    ProgramBundle original, back;
    ASSERT_TRUE(
        readBundle(std::span(reinterpret_cast<const uint8_t*>(zip.data()), zip.size()), original).ok());
    ASSERT_TRUE(
        readBundle(std::span(reinterpret_cast<const uint8_t*>(r.body.data()), r.body.size()), back).ok());
    EXPECT_EQ(back.programJson, original.programJson);
    ASSERT_EQ(back.files.size(), original.files.size());
    for (size_t i = 0; i < back.files.size(); ++i) {
        EXPECT_EQ(back.files[i].name, original.files[i].name);
        EXPECT_EQ(back.files[i].bytes, original.files[i].bytes);
    }
    // A second version of the same program; the pictures are stored once.
    r = send("POST", "/api/v1/programs/" + std::to_string(id) + "/versions", zip, "operator", {},
             "application/zip");
    ASSERT_EQ(r.status, 201) << r.body;
    EXPECT_EQ(r.json["version"], 2);
    size_t stored = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.file("data/content")))
        ++stored;
    EXPECT_EQ(stored, original.files.size());

    const int64_t sign = addSign("front");
    ASSERT_EQ(
        post("/api/v1/jobs", {{"action", "push"}, {"program", id}, {"signs", {sign}}}, "operator").status,
        201);
    r = send("DELETE", "/api/v1/programs/" + std::to_string(id), {}, "operator");
    EXPECT_EQ(r.status, 409);
    EXPECT_EQ(r.errorCode(), "in-use");
    EXPECT_EQ(post("/api/v1/jobs/1/cancel", json::object(), "operator").status, 200);
    EXPECT_EQ(send("DELETE", "/api/v1/programs/" + std::to_string(id), {}, "operator").status, 204);
    EXPECT_EQ(get("/api/v1/programs").json.size(), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("data/content")));
}

TEST_F(ApiResourcesTest, ABundleTheReaderRefusesIsRefusedWithItsMessage) {
    Reply r = send("POST", "/api/v1/programs", "not a zip at all", "operator", {}, "application/zip");
    EXPECT_EQ(r.status, 422);
    EXPECT_NE(r.json["error"]["message"].get<std::string>().find("not a ZIP archive"), std::string::npos)
        << r.body;
    std::vector<uint8_t> zip;
    const std::vector<BundleFile> files = {{"program.json", {'{', '}'}}};
    ASSERT_TRUE(writeArchive(files, zip).ok());
    r = send("POST", "/api/v1/programs", std::string(zip.begin(), zip.end()), "operator", {},
             "application/zip");
    EXPECT_EQ(r.status, 422);
    EXPECT_NE(r.json["error"]["message"].get<std::string>().find("version"), std::string::npos) << r.body;
    EXPECT_EQ(send("POST", "/api/v1/programs", exampleBundle(), "operator").status, 415);
    EXPECT_EQ(send("POST", "/api/v1/programs/99/versions", exampleBundle(), "operator", {}, "application/zip")
                  .status,
              404);
    EXPECT_EQ(get("/api/v1/programs").json.size(), 0u);
}

TEST_F(ApiResourcesTest, JobsGoToSignsAndGroupsAndASecondPushIsToldWhichJobHoldsTheSign) {
    const int64_t a = addSign("a", {"north"}), b = addSign("b", {"north"}), c = addSign("c");
    const int64_t program = addProgram("menu");
    Reply r =
        post("/api/v1/jobs", {{"action", "push"}, {"program", program}, {"groups", {"north"}}}, "operator");
    ASSERT_EQ(r.status, 201) << r.body;
    const int64_t first = r.json["id"];
    r = get("/api/v1/jobs/" + std::to_string(first), "viewer");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.json["state"], "queued");
    EXPECT_EQ(r.json["version"], 1);
    ASSERT_EQ(r.json["signs"].size(), 2u);
    EXPECT_EQ(r.json["signs"][0]["sign"], a);
    EXPECT_EQ(r.json["signs"][0]["state"], "queued");
    EXPECT_EQ(r.json["signs"][0]["message"], "");
    EXPECT_EQ(get("/api/v1/signs/" + std::to_string(a)).json["busyJob"], first);

    // b is held; c runs.
    r = post("/api/v1/jobs", {{"action", "brightness"}, {"level", 10}, {"signs", {b, c}}}, "operator");
    ASSERT_EQ(r.status, 201) << r.body;
    EXPECT_EQ(r.json["held"], json({{{"sign", b}, {"job", first}}}));
    const Reply second = get("/api/v1/jobs/" + std::to_string(r.json["id"].get<int64_t>()));
    EXPECT_EQ(second.json["level"], 10);
    EXPECT_EQ(second.json["signs"][0]["state"], "failed");
    EXPECT_EQ(second.json["signs"][0]["message"], "held by job " + std::to_string(first));
    // Nothing left to run: refused, naming the job.
    r = post("/api/v1/jobs", {{"action", "push"}, {"program", program}, {"signs", {a}}}, "operator");
    EXPECT_EQ(r.status, 409);
    EXPECT_EQ(r.errorCode(), "sign-busy");
    EXPECT_NE(r.json["error"]["message"].get<std::string>().find("job " + std::to_string(first)),
              std::string::npos);

    r = post("/api/v1/jobs/" + std::to_string(first) + "/cancel", json::object(), "operator");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["state"], "cancelled");
    EXPECT_EQ(r.json["signs"][1]["state"], "cancelled");
    EXPECT_EQ(post("/api/v1/jobs/" + std::to_string(first) + "/cancel", json::object(), "operator").status,
              409);
    r = get("/api/v1/jobs?state=cancelled");
    ASSERT_EQ(r.json.size(), 1u);
    EXPECT_FALSE(r.json[0].contains("signs"));
    EXPECT_EQ(get("/api/v1/jobs?limit=1").json.size(), 1u);
    EXPECT_EQ(get("/api/v1/jobs?state=lost").status, 400);
    EXPECT_EQ(post("/api/v1/jobs", {{"action", "clock"}, {"all", true}}, "operator").status, 201);
}

TEST_F(ApiResourcesTest, AJobsFieldsAreItsActionsOwnAndChecked) {
    addSign("a", {"north"});
    struct Case {
        json body;
        int status;
    };
    const Case cases[] = {
        {{{"action", "dance"}, {"all", true}}, 400},
        {{{"signs", {1}}}, 400},
        {{{"action", "clock"}, {"all", true}, {"level", 3}}, 400},
        {{{"action", "size"}, {"all", true}, {"width", 8}}, 400},
        {{{"action", "size"}, {"all", true}, {"width", 4}, {"height", 1}}, 422},
        {{{"action", "onoff"}, {"all", true}, {"enabled", true}, {"on", "25:00"}, {"off", "07:00"}}, 422},
        {{{"action", "window"}, {"all", true}, {"mode", 2}}, 422},
        {{{"action", "brightness"}, {"all", true}, {"level", 0}}, 422},
        {{{"action", "push"}, {"all", true}, {"program", 77}}, 422},
        {{{"action", "clock"}, {"signs", {99}}}, 422},
        {{{"action", "clock"}, {"groups", {"south"}}}, 422},
        {{{"action", "clock"}}, 422},
        {{{"action", "onoff"}, {"groups", {"north"}}, {"enabled", true}, {"on", "07:00"}, {"off", "22:30"}},
         201},
    };
    for (const Case& c : cases) {
        const Reply r = post("/api/v1/jobs", c.body, "operator");
        EXPECT_EQ(r.status, c.status) << c.body.dump() << ": " << r.body;
    }
}

TEST_F(ApiResourcesTest, AdminsManageUsersButNeverTheLastAdminAway) {
    Reply r =
        post("/api/v1/users", {{"name", "carol"}, {"role", "operator"}, {"password", "carol's password"}});
    ASSERT_EQ(r.status, 201) << r.body;
    const std::string carol = "/api/v1/users/" + std::to_string(r.json["id"].get<int64_t>());
    EXPECT_EQ(post("/api/v1/users", {{"name", "dave"}, {"role", "boss"}, {"password", "long enough"}}).status,
              422);
    EXPECT_EQ(post("/api/v1/users", {{"name", "dave"}, {"role", "viewer"}, {"password", "short"}}).status,
              422);
    EXPECT_EQ(
        post("/api/v1/users", {{"name", "carol"}, {"role", "viewer"}, {"password", "long enough"}}).status,
        409);
    r = get("/api/v1/users");
    ASSERT_EQ(r.json.size(), 4u);
    EXPECT_FALSE(r.body.find("argon2") != std::string::npos);

    r = send("PATCH", carol, R"({"role": "admin", "password": "a new password"})", "admin");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["role"], "admin");
    EXPECT_EQ(send("POST", "/api/v1/session", R"({"user": "carol", "password": "a new password"})").status,
              200);
    EXPECT_EQ(send("DELETE", carol, {}, "admin").status, 204);
    int64_t admin = 0;
    for (const auto& u : get("/api/v1/users").json)
        if (u["name"] == "admin") admin = u["id"];
    r = send("PATCH", "/api/v1/users/" + std::to_string(admin), R"({"role": "viewer"})", "admin");
    EXPECT_EQ(r.status, 409);
    EXPECT_EQ(r.errorCode(), "in-use");
    EXPECT_EQ(send("DELETE", "/api/v1/users/" + std::to_string(admin), {}, "admin").status, 409);
}

TEST_F(ApiResourcesTest, SettingsAuditAndHealth) {
    Reply r = send("PATCH", "/api/v1/settings", R"({"tries": 5, "max_links": 2})", "admin");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["tries"], 5);
    EXPECT_EQ(r.json["max_links"], 2);
    EXPECT_EQ(r.json["check_seconds"], 60);
    EXPECT_EQ(send("PATCH", "/api/v1/settings", R"({"tries": 0})", "admin").status, 422);
    EXPECT_EQ(send("PATCH", "/api/v1/settings", R"({"colour": 1})", "admin").status, 400);

    addSign("front");
    r = get("/api/v1/audit?action=sign.create");
    ASSERT_EQ(r.status, 200) << r.body;
    ASSERT_EQ(r.json.size(), 1u);
    EXPECT_EQ(r.json[0]["user"], "admin");
    EXPECT_EQ(r.json[0]["target"], "sign 1");
    EXPECT_EQ(get("/api/v1/audit?limit=2").json.size(), 2u);
    EXPECT_EQ(get("/api/v1/audit?from=2025-03-01T10:00:00").json.size(), 0u);
    EXPECT_EQ(get("/api/v1/audit?from=yesterday").status, 400);

    r = get("/api/v1/health", "");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.json["status"], "ok");
    EXPECT_EQ(r.json["time"].get<std::string>().substr(0, 10), "2025-03-01");
}

}  // namespace
}  // namespace orb
