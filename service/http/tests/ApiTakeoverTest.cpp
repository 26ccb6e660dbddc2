// Emergency takeovers through the API: a text made into a stored program, the takeover read back
// with its acknowledgements, ended once, each step audited, and every bad request refused with
// the field it is about.
#include <gtest/gtest.h>

#include "service/http/tests/ApiFixture.h"

namespace orb {
namespace {

using nlohmann::json;
using testing::Reply;

class ApiTakeoverTest : public testing::ApiFixture {
  protected:
    void SetUp() override {
        ApiFixture::SetUp();
        front = addSign("front", {"lobby"});
        back = addSign("back", {"lobby"});
        side = addSign("side");
        notice = addProgram("notice");
    }
    Reply remove(const std::string& path, const std::string& token = "operator") {
        return send("DELETE", path, {}, token);
    }
    std::vector<AuditRecord> audited(const std::string& action) {
        AuditFilter filter;
        filter.action = action;
        std::vector<AuditRecord> out;
        EXPECT_EQ(store.audit.query(filter, out), DbStatus::Ok);
        return out;
    }

    int64_t front = 0, back = 0, side = 0, notice = 0;
};

TEST_F(ApiTakeoverTest, TextBecomesAProgramAndTheTakeoverEndsOnce) {
    Reply r =
        post("/api/v1/takeovers",
             {{"text", "대피하십시오"}, {"colour", "빨강색"}, {"groups", {"lobby"}}, {"until", nullptr}},
             "operator");
    ASSERT_EQ(r.status, 201) << r.body;
    const int64_t id = r.json["id"];
    const std::string path = "/api/v1/takeovers/" + std::to_string(id);
    EXPECT_EQ(r.header("Location"), path);
    EXPECT_EQ(r.json["text"], "대피하십시오");
    EXPECT_EQ(r.json["effect"], "효과없음");
    EXPECT_EQ(r.json["active"], true);
    EXPECT_EQ(r.json["ended"], nullptr);
    EXPECT_EQ(r.json["createdBy"], "operator");
    ASSERT_EQ(r.json["acks"].size(), 2u);
    EXPECT_EQ(
        r.json["acks"][0],
        json({{"sign", front}, {"name", "front"}, {"state", "pending"}, {"at", nullptr}, {"message", ""}}));
    EXPECT_EQ(r.json["acks"][1]["sign"], back);

    // The text is a one-item program of one sentence line, named after the takeover.
    const int64_t program = r.json["program"];
    const Reply p = get("/api/v1/programs/" + std::to_string(program), "viewer");
    ASSERT_EQ(p.status, 200) << p.body;
    EXPECT_EQ(p.json["name"], "긴급 알림 " + std::to_string(id));
    EXPECT_EQ(r.json["programName"], p.json["name"]);
    ProgramVersionRecord v;
    ASSERT_EQ(store.programs.version(program, 1, v), DbStatus::Ok);
    EXPECT_EQ(v.itemCount, 1);
    const json doc = json::parse(v.json);
    EXPECT_EQ(doc["items"][0]["lines"][0]["runs"][0]["colour"], "빨강색");

    EXPECT_EQ(get(path, "viewer").json["id"], id);
    EXPECT_EQ(get("/api/v1/takeovers?active=true", "viewer").json.size(), 1u);
    EXPECT_EQ(post("/api/v1/takeovers", {{"program", notice}, {"signs", {side}}}, "viewer").status, 403);
    EXPECT_EQ(remove(path, "viewer").status, 403);

    r = remove(path);
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["active"], false);
    EXPECT_EQ(r.json["endedBy"], "operator");
    EXPECT_EQ(remove(path).status, 409);
    EXPECT_EQ(remove("/api/v1/takeovers/999").status, 404);
    EXPECT_EQ(get("/api/v1/takeovers/999").status, 404);
    EXPECT_TRUE(get("/api/v1/takeovers?active=true", "viewer").json.empty());
    EXPECT_EQ(get("/api/v1/takeovers", "viewer").json.size(), 1u);
    EXPECT_EQ(audited("takeover.create").size(), 1u);
    EXPECT_EQ(audited("takeover.end").size(), 1u);
}

TEST_F(ApiTakeoverTest, AProgramIsShownAtItsLatestVersionUntilATime) {
    const Reply r =
        post("/api/v1/takeovers",
             {{"program", notice}, {"signs", {side, front}}, {"until", "2025-03-01T18:30:00"}}, "operator");
    ASSERT_EQ(r.status, 201) << r.body;
    EXPECT_EQ(r.json["text"], nullptr);
    EXPECT_EQ(r.json["colour"], nullptr);
    EXPECT_EQ(r.json["program"], notice);
    EXPECT_EQ(r.json["programName"], "notice");
    EXPECT_EQ(r.json["version"], 1);
    EXPECT_EQ(r.json["until"], "2025-03-01T18:30:00.000");
    EXPECT_EQ(r.json["acks"].size(), 2u);

    // The takeover's record keeps the program, ended or not.
    const std::string path = "/api/v1/takeovers/" + std::to_string(r.json["id"].get<int64_t>());
    ASSERT_EQ(remove(path).status, 200);
    const Reply refused = remove("/api/v1/programs/" + std::to_string(notice));
    EXPECT_EQ(refused.status, 409);
    EXPECT_EQ(refused.json["error"]["message"], "program " + std::to_string(notice) +
                                                    " is used by takeover " +
                                                    std::to_string(r.json["id"].get<int64_t>()));
}

TEST_F(ApiTakeoverTest, BadRequestsAreRefusedNamingTheField) {
    const std::string tooLong(600, 'A');
    const std::vector<std::pair<json, std::string>> cases = {
        {{{"text", "불"}, {"colour", "빨강색"}}, "signs, groups:"},
        {{{"text", "불"}, {"colour", "빨강색"}, {"signs", {999}}}, "signs: sign 999"},
        {{{"text", "불"}, {"colour", "빨강색"}, {"groups", {"attic"}}}, "groups: no group is named attic"},
        {{{"text", ""}, {"colour", "빨강색"}, {"signs", {front}}}, "text: empty"},
        {{{"text", "불 🔥"}, {"colour", "빨강색"}, {"signs", {front}}}, "text:"},
        {{{"text", tooLong}, {"colour", "빨강색"}, {"signs", {front}}}, "text:"},
        {{{"text", "불"}, {"colour", "검정색"}, {"signs", {front}}}, "colour:"},
        {{{"text", "불"}, {"signs", {front}}}, "colour:"},
        {{{"text", "불"}, {"colour", "빨강색"}, {"effect", "날아오기"}, {"signs", {front}}}, "effect:"},
        {{{"text", "불"}, {"colour", "빨강색"}, {"signs", {front}}, {"until", "2025-03-01T08:00:00"}},
         "until: 2025-03-01T08:00:00 is not after now"},
        {{{"text", "불"}, {"colour", "빨강색"}, {"signs", {front}}, {"until", "tomorrow"}}, "until:"},
        {{{"program", 999}, {"signs", {front}}}, "program: program 999 does not exist"},
        {{{"program", notice}, {"text", "불"}, {"colour", "빨강색"}, {"signs", {front}}}, "text, program:"},
        {{{"signs", {front}}}, "text, program:"},
        {{{"program", notice}, {"signs", {front}}, {"colour", "빨강색"}}, "colour, effect:"},
        {{{"program", notice}, {"signs", {front}}, {"priority", 1}}, "priority:"},
    };
    for (const auto& [body, start] : cases) {
        const Reply r = post("/api/v1/takeovers", body, "operator");
        EXPECT_EQ(r.status, 422) << body.dump();
        const std::string message = r.json["error"].value("message", "");
        EXPECT_EQ(message.rfind(start, 0), 0u) << body.dump() << " -> " << message;
    }
    EXPECT_EQ(send("POST", "/api/v1/takeovers", "{", "operator").status, 400);
    // Nothing refused was stored, not even a program for its text.
    EXPECT_TRUE(get("/api/v1/takeovers").json.empty());
    EXPECT_EQ(get("/api/v1/programs").json.size(), 1u);
}

}  // namespace
}  // namespace orb
