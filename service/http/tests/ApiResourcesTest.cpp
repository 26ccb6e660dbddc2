// The API's resources endpoint by endpoint: signs, groups, programs, jobs, users, settings, the
// audit log and the health check.
#include <gtest/gtest.h>

#include <fstream>

#include "image/ItemStore.h"

#include "service/http/tests/ApiFixture.h"

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

TEST_F(ApiResourcesTest, AProgramListsItsItemsAsTheEditorDoesAndGoesOnlyWhenUnused) {
    std::ifstream project(EXAMPLE_PROJECT, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(project)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), ItemStore::kFileSize);
    const int64_t id = addProgram("demo", bytes, 5);
    Reply r = get("/api/v1/programs/" + std::to_string(id), "viewer");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["name"], "demo");
    EXPECT_EQ(r.json["latest"], 1);
    EXPECT_EQ(r.json["current"]["columns"][0], "구분");
    // The rows are the lines of orbctl list's golden file, column by column.
    std::ifstream list(EXAMPLE_LIST);
    std::string line;
    size_t row = 0;
    for (; std::getline(list, line); ++row) {
        ASSERT_LT(row, r.json["current"]["rows"].size());
        std::string joined;
        for (const auto& c : r.json["current"]["rows"][row])
            joined += (joined.empty() ? "" : "\t") + c.get<std::string>();
        EXPECT_EQ(joined, line);
    }
    EXPECT_EQ(row, r.json["current"]["rows"].size());
    EXPECT_EQ(get("/api/v1/programs/" + std::to_string(id) + "/versions/1").json["version"], 1);
    EXPECT_EQ(get("/api/v1/programs/" + std::to_string(id) + "/versions/2").status, 404);
    EXPECT_EQ(get("/api/v1/programs").json.size(), 1u);

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
