// The calendar through the API: entries and plans kept, changed and removed (each one audited
// change), what is refused and how it is named, the admin's own holidays, and what a sign plays
// day by day where it stands.
#include <gtest/gtest.h>

#include "service/calendar/SunTimes.h"
#include "service/http/tests/ApiFixture.h"
#include "testsupport/ItemBuilder.h"

namespace orb {
namespace {

using nlohmann::json;
using testing::Reply;

std::string message(const Reply& r) {
    return r.errorCode().empty() ? "" : r.json["error"].value("message", "");
}

ItemRecord sentence(const std::string& text, ClockTime start = {}, ClockTime end = {}) {
    return testing::ItemBuilder(LayoutCode::OneLine, {1, 0, 0})
        .kind(1, ContentKind::Sentence)
        .text(1, text, 0x0040)
        .window(start, end)
        .item;
}

// A program's item store whose items keep their own display windows (mode 1).
std::vector<uint8_t> storeOf(const std::vector<ItemRecord>& items) {
    ItemStore store;
    for (size_t i = 0; i < items.size(); ++i) store.writeRecord(static_cast<int>(i), items[i]);
    SettingsBlock settings;
    settings.setWindowMode(1);
    store.writeSettings(settings);
    std::vector<uint8_t> bytes(ItemStore::kFileSize);
    EXPECT_EQ(store.readAll(std::span<uint8_t, ItemStore::kFileSize>(bytes.data(), bytes.size())),
              IoResult::Ok);
    return bytes;
}

class ApiCalendarTest : public testing::ApiFixture {
  protected:
    void SetUp() override {
        ApiFixture::SetUp();
        front = addSign("front", {"lobby"});
        weekdays = addProgram("weekdays");
        weekend = addProgram("weekend");
        greeting = addProgram("greeting");
    }

    Reply patch(const std::string& path, const json& body, const std::string& token = "operator") {
        return send("PATCH", path, body.dump(), token);
    }
    Reply remove(const std::string& path, const std::string& token = "operator") {
        return send("DELETE", path, {}, token);
    }
    // The audit rows of ACTION, newest first.
    std::vector<AuditRecord> audited(const std::string& action) {
        AuditFilter filter;
        filter.action = action;
        std::vector<AuditRecord> out;
        EXPECT_EQ(store.audit.query(filter, out), DbStatus::Ok);
        return out;
    }
    int64_t addEntry(const json& body) {
        const Reply r = post("/api/v1/calendar", body, "operator");
        EXPECT_EQ(r.status, 201) << r.body;
        return r.json.value("id", int64_t{0});
    }

    int64_t front = 0, weekdays = 0, weekend = 0, greeting = 0;
};

TEST_F(ApiCalendarTest, EntriesAreKeptChangedAndRemovedEachAsOneAuditedChange) {
    Reply r = post(
        "/api/v1/calendar",
        {{"program", weekdays}, {"groups", {"lobby"}}, {"weekdays", {"mon", "tue", "wed", "thu", "fri"}}},
        "operator");
    ASSERT_EQ(r.status, 201) << r.body;
    const int64_t id = r.json["id"];
    const std::string path = "/api/v1/calendar/" + std::to_string(id);
    EXPECT_EQ(r.header("Location"), path);
    const json stored = {{"id", id},
                         {"program", weekdays},
                         {"signs", json::array()},
                         {"groups", {"lobby"}},
                         {"from", nullptr},
                         {"to", nullptr},
                         {"weekdays", {"mon", "tue", "wed", "thu", "fri"}},
                         {"holidays", "any"},
                         {"start", nullptr},
                         {"end", nullptr},
                         {"priority", 0}};
    EXPECT_EQ(r.json, stored);
    EXPECT_EQ(get(path, "viewer").json, stored);
    EXPECT_EQ(get("/api/v1/calendar", "viewer").json, json::array({stored}));

    // Fields left out keep their value; null opens one.
    r = patch(path, {{"signs", {front}}, {"from", "2027-01-01"}, {"start", "22:00"}, {"end", "02:00"}});
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["signs"], json({front}));
    EXPECT_EQ(r.json["groups"], json({"lobby"}));
    EXPECT_EQ(r.json["start"], "22:00");
    EXPECT_EQ(r.json["end"], "02:00");
    r = patch(path, {{"from", nullptr}, {"holidays", "except"}, {"priority", 3}});
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_TRUE(r.json["from"].is_null());
    EXPECT_EQ(r.json["holidays"], "except");
    EXPECT_EQ(r.json["start"], "22:00");

    EXPECT_EQ(remove(path).status, 204);
    EXPECT_EQ(get(path).status, 404);
    EXPECT_EQ(remove(path).status, 404);

    // One row for each change, holding the entry before and after it: enough to undo it.
    const auto created = audited("calendar.create"), changed = audited("calendar.update"),
               removed = audited("calendar.delete");
    ASSERT_EQ(created.size(), 1u);
    ASSERT_EQ(changed.size(), 2u);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(created[0].user, "operator");
    EXPECT_EQ(created[0].target, "calendar entry " + std::to_string(id));
    json detail = json::parse(created[0].detail);
    EXPECT_TRUE(detail["before"].is_null());
    EXPECT_EQ(detail["after"]["groups"], json({"lobby"}));
    detail = json::parse(changed[0].detail);  // the newer change
    EXPECT_EQ(detail["before"]["from"], "2027-01-01");
    EXPECT_EQ(detail["before"]["priority"], 0);
    EXPECT_EQ(detail["after"]["priority"], 3);
    detail = json::parse(removed[0].detail);
    EXPECT_EQ(detail["before"]["holidays"], "except");
    EXPECT_TRUE(detail["after"].is_null());
}

TEST_F(ApiCalendarTest, EachChangeIsUndoneFromItsAuditRecordWhileNothingCameAfterIt) {
    const int64_t id = addEntry({{"program", weekdays}, {"signs", {front}}});
    const std::string path = "/api/v1/calendar/" + std::to_string(id);
    ASSERT_EQ(patch(path, {{"priority", 3}, {"start", "08:00"}}).status, 200);
    ASSERT_EQ(remove(path).status, 204);
    const int64_t created = audited("calendar.create").at(0).id,
                  changed = audited("calendar.update").at(0).id,
                  removed = audited("calendar.delete").at(0).id;
    const auto undo = [this](int64_t audit) {
        return post("/api/v1/calendar/undo", {{"audit", audit}}, "operator");
    };

    // The change cannot be undone while the entry is removed; the removal can.
    Reply r = undo(changed);
    EXPECT_EQ(r.status, 409);
    EXPECT_NE(message(r).find("calendar entry " + std::to_string(id) + " was changed after audit record"),
              std::string::npos)
        << r.body;
    r = undo(removed);
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json, json({{"undone", removed}, {"target", "calendar entry " + std::to_string(id)}}));
    r = get(path);
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.json["priority"], 3);
    EXPECT_EQ(r.json["signs"], json({front}));
    ASSERT_EQ(undo(changed).status, 200);
    EXPECT_EQ(get(path).json["priority"], 0);
    EXPECT_TRUE(get(path).json["start"].is_null());
    EXPECT_EQ(undo(changed).status, 409);  // done already
    ASSERT_EQ(undo(created).status, 200);
    EXPECT_EQ(get(path).status, 404);
    // An undo is a change of its own, undone likewise.
    ASSERT_EQ(undo(audited("calendar.undo").at(0).id).status, 200);
    EXPECT_EQ(get(path).json["program"], weekdays);

    const Reply plan =
        post("/api/v1/onoff-plans", {{"signs", {front}}, {"rules", {{{"on", "07:00"}, {"off", "22:00"}}}}},
             "operator");
    ASSERT_EQ(plan.status, 201);
    const std::string planPath = "/api/v1/onoff-plans/" + std::to_string(plan.json["id"].get<int64_t>());
    ASSERT_EQ(remove(planPath).status, 204);
    ASSERT_EQ(undo(audited("calendar.onoff.delete").at(0).id).status, 200);
    EXPECT_EQ(get(planPath).json, plan.json);

    EXPECT_EQ(undo(audited("sign.create").at(0).id).status, 404);
    EXPECT_EQ(undo(999999).status, 404);
    EXPECT_EQ(undo(removed).status, 409);
    EXPECT_EQ(post("/api/v1/calendar/undo", {{"audit", removed}}, "viewer").status, 403);
}

TEST_F(ApiCalendarTest, BadEntriesAreRefusedWithAMessageNamingTheEntryAndNothingIsStored) {
    const json base = {{"program", weekdays}, {"groups", {"lobby"}}};
    const auto with = [&](const json& fields) {
        json b = base;
        b.update(fields);
        return b;
    };
    struct Case {
        json body;
        int status;
        std::string message;  // a part of it
    };
    const Case cases[] = {
        {with({{"to", "2027-01-01"}, {"from", "2027-02-01"}}), 422,
         "the new entry: ends (2027-01-01) before it starts (2027-02-01)"},
        {with({{"weekdays", json::array()}}), 422, "the new entry: has no weekday"},
        {with({{"program", 999}}), 422, "the new entry: program 999 does not exist"},
        {with({{"groups", {"nowhere"}}}), 422, "the new entry: group \"nowhere\" does not exist"},
        {with({{"signs", {12345}}}), 422, "the new entry: sign 12345 does not exist"},
        {with({{"start", "24:00"}}), 422, "the new entry: start \"24:00\" is not a time of day"},
        {with({{"end", "99:99"}}), 422, "the new entry: end \"99:99\" is not a time of day"},
        {with({{"start", "10:00"}, {"end", "10:00"}}), 422, "starts and ends at 10:00"},
        {with({{"weekdays", {"someday"}}}), 422, "weekdays must hold"},
        {with({{"colour", "red"}}), 422, "colour is not a field of an entry"},
        {json{{"program", weekdays}}, 422, "names no sign and no group"},
        {json::array(), 422, "the body must be an object"},
    };
    for (const Case& c : cases) {
        const Reply r = post("/api/v1/calendar", c.body, "operator");
        EXPECT_EQ(r.status, c.status) << c.body.dump();
        EXPECT_EQ(r.errorCode(), "invalid") << c.body.dump();
        EXPECT_NE(message(r).find(c.message), std::string::npos) << c.body.dump() << ": " << r.body;
    }
    EXPECT_EQ(send("POST", "/api/v1/calendar", "{\"program\": ", "operator").status, 400);
    EXPECT_EQ(get("/api/v1/calendar").json, json::array());

    // A change that is refused leaves the entry as it was.
    const int64_t id = addEntry(base);
    const std::string path = "/api/v1/calendar/" + std::to_string(id);
    const Reply r = patch(path, {{"start", "25:00"}});
    EXPECT_EQ(r.status, 422);
    EXPECT_NE(r.body.find("entry " + std::to_string(id) + ": start"), std::string::npos) << r.body;
    EXPECT_TRUE(get(path).json["start"].is_null());
    EXPECT_EQ(patch("/api/v1/calendar/999", {{"priority", 1}}).status, 404);
    EXPECT_EQ(audited("calendar.update").size(), 0u);
}

TEST_F(ApiCalendarTest, WhatAnEntryNamesCannotBeDeletedUnderIt) {
    const int64_t other = addSign("other", {"hall"});
    const int64_t id = addEntry({{"program", greeting}, {"signs", {other}}, {"groups", {"hall"}}});
    int64_t hall = 0;
    for (const json& g : get("/api/v1/groups").json)
        if (g["name"] == "hall") hall = g["id"];
    Reply r = remove("/api/v1/programs/" + std::to_string(greeting));
    EXPECT_EQ(r.status, 409);
    EXPECT_EQ(r.errorCode(), "in-use");
    EXPECT_NE(r.body.find("calendar entry " + std::to_string(id)), std::string::npos) << r.body;
    r = remove("/api/v1/signs/" + std::to_string(other), "admin");
    EXPECT_EQ(r.errorCode(), "in-use") << r.body;
    r = remove("/api/v1/groups/" + std::to_string(hall), "admin");
    EXPECT_EQ(r.errorCode(), "in-use") << r.body;
    EXPECT_EQ(get("/api/v1/programs/" + std::to_string(greeting)).status, 200);

    // Renaming the group keeps the entry on it.
    ASSERT_EQ(patch("/api/v1/groups/" + std::to_string(hall), {{"name", "hallway"}}, "admin").status, 200);
    EXPECT_EQ(get("/api/v1/calendar/" + std::to_string(id)).json["groups"], json({"hallway"}));

    ASSERT_EQ(remove("/api/v1/calendar/" + std::to_string(id)).status, 204);
    EXPECT_EQ(remove("/api/v1/programs/" + std::to_string(greeting)).status, 204);
    EXPECT_EQ(remove("/api/v1/signs/" + std::to_string(other), "admin").status, 204);
}

TEST_F(ApiCalendarTest, BrightnessAndOnOffPlansAreKeptCheckedAndRemoved) {
    Reply r = post(
        "/api/v1/brightness-plans",
        {{"groups", {"lobby"}},
         {"steps", {{{"at", "06:00"}, {"level", 10}}, {{"at", "sunset"}, {"offset", 30}, {"level", 3}}}}},
        "operator");
    ASSERT_EQ(r.status, 201) << r.body;
    const std::string brightness = "/api/v1/brightness-plans/" + std::to_string(r.json["id"].get<int64_t>());
    EXPECT_EQ(r.json["steps"][1], json({{"at", "sunset"}, {"offset", 30}, {"level", 3}}));
    EXPECT_EQ(get(brightness, "viewer").json, r.json);
    EXPECT_EQ(get("/api/v1/brightness-plans", "viewer").json.size(), 1u);

    r = post("/api/v1/onoff-plans",
             {{"signs", {front}}, {"rules", {{{"on", "07:00"}, {"off", "23:00"}}, {{"weekdays", {"sun"}}}}}},
             "operator");
    ASSERT_EQ(r.status, 201) << r.body;
    const std::string onOff = "/api/v1/onoff-plans/" + std::to_string(r.json["id"].get<int64_t>());
    EXPECT_EQ(r.json["rules"][0]["on"], "07:00");
    EXPECT_TRUE(r.json["rules"][1]["on"].is_null());
    EXPECT_EQ(r.json["rules"][1]["weekdays"], json({"sun"}));

    struct Case {
        const char* path;
        json body;
        std::string message;
    };
    const Case bad[] = {
        {"/api/v1/brightness-plans",
         {{"groups", {"lobby"}}, {"steps", {{{"at", "06:00"}, {"level", 11}}}}},
         "the new brightness plan: step 1: level is out of range (1 to 10)"},
        {"/api/v1/brightness-plans",
         {{"groups", {"lobby"}}, {"steps", {{{"at", "24:00"}, {"level", 5}}}}},
         "step 1: at \"24:00\" is not"},
        {"/api/v1/brightness-plans", {{"groups", {"lobby"}}, {"steps", json::array()}}, "has no step"},
        {"/api/v1/brightness-plans",
         {{"groups", {"gone"}}, {"steps", {{{"at", "sunrise"}, {"level", 5}}}}},
         "group \"gone\" does not exist"},
        {"/api/v1/onoff-plans",
         {{"signs", {front}}, {"rules", {{{"on", "07:00"}}}}},
         "rule 1: off is missing"},
        {"/api/v1/onoff-plans",
         {{"signs", {front}}, {"rules", {{{"from", "2027-03-01"}, {"to", "2027-02-01"}}}}},
         "the new ON/OFF plan: rule 1 ends (2027-02-01) before it starts (2027-03-01)"},
    };
    for (const Case& c : bad) {
        r = post(c.path, c.body, "operator");
        EXPECT_EQ(r.status, 422) << c.body.dump();
        EXPECT_NE(message(r).find(c.message), std::string::npos) << c.body.dump() << ": " << r.body;
    }

    r = patch(brightness, {{"steps", {{{"at", "sunrise"}, {"offset", -15}, {"level", 8}}}}});
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["groups"], json({"lobby"}));
    EXPECT_EQ(r.json["steps"].size(), 1u);
    EXPECT_EQ(patch(brightness, {{"steps", {{{"at", "noon"}, {"level", 8}}}}}).status, 422);
    EXPECT_EQ(get(brightness).json["steps"][0]["offset"], -15);
    EXPECT_EQ(remove(brightness, "viewer").status, 403);
    EXPECT_EQ(remove(brightness).status, 204);
    EXPECT_EQ(remove(brightness).status, 404);
    EXPECT_EQ(remove(onOff).status, 204);
    EXPECT_EQ(get("/api/v1/onoff-plans").json, json::array());
    EXPECT_EQ(audited("calendar.brightness.create").size(), 1u);
    EXPECT_EQ(audited("calendar.brightness.update").size(), 1u);
    EXPECT_EQ(audited("calendar.onoff.delete").size(), 1u);
}

TEST_F(ApiCalendarTest, ASignsPlanFollowsWeekdaysHolidaysSpansPassingMidnightAndItsPlans) {
    const json workdays = {"mon", "tue", "wed", "thu", "fri"};
    const int64_t week = addEntry({{"program", weekdays}, {"groups", {"lobby"}}, {"weekdays", workdays}});
    addEntry({{"program", weekend}, {"groups", {"lobby"}}, {"weekdays", {"sat", "sun"}}});
    const int64_t holiday = addEntry({{"program", greeting},
                                      {"signs", {front}},
                                      {"holidays", "only"},
                                      {"start", "08:00"},
                                      {"end", "02:00"},
                                      {"priority", 5}});
    ASSERT_EQ(post("/api/v1/brightness-plans",
                   {{"groups", {"lobby"}},
                    {"steps",
                     {{{"at", "06:00"}, {"level", 10}}, {{"at", "sunset"}, {"offset", 30}, {"level", 3}}}}},
                   "operator")
                  .status,
              201);
    ASSERT_EQ(post("/api/v1/onoff-plans",
                   {{"groups", {"lobby"}}, {"rules", {{{"on", "07:00"}, {"off", "23:00"}}}}}, "operator")
                  .status,
              201);

    const std::string path = "/api/v1/signs/" + std::to_string(front) + "/plan";
    const Reply r = get(path + "?from=2027-02-05&to=2027-02-10", "viewer");
    ASSERT_EQ(r.status, 200) << r.body;
    const json& days = r.json["days"];
    ASSERT_EQ(days.size(), 6u);
    const auto period = [](const char* start, const char* end, int64_t program) {
        return json{{"start", start}, {"end", end}, {"program", program}};
    };
    // Friday, then 설날 on Saturday to Monday and its substitute on Tuesday.
    EXPECT_TRUE(days[0]["holiday"].is_null());
    EXPECT_EQ(days[0]["periods"], json::array({period("00:00", "24:00", weekdays)}));
    EXPECT_EQ(days[1]["holiday"], "설날");
    EXPECT_EQ(days[1]["periods"],
              json::array({period("00:00", "08:00", weekend), period("08:00", "24:00", greeting)}));
    EXPECT_EQ(days[2]["periods"],
              json::array({period("00:00", "02:00", greeting), period("02:00", "08:00", weekend),
                           period("08:00", "24:00", greeting)}));
    EXPECT_EQ(days[3]["periods"],
              json::array({period("00:00", "02:00", greeting), period("02:00", "08:00", weekdays),
                           period("08:00", "24:00", greeting)}));
    EXPECT_EQ(days[4]["holiday"], "대체공휴일");
    EXPECT_EQ(days[5]["periods"],
              json::array({period("00:00", "02:00", greeting), period("02:00", "24:00", weekdays)}));
    // The holiday entry overrides the weekday one where both hold, and says so.
    ASSERT_FALSE(days[3]["conflicts"].empty());
    EXPECT_EQ(days[3]["conflicts"][0]["winner"], holiday);
    EXPECT_EQ(days[3]["conflicts"][0]["overridden"], json({week}));

    EXPECT_EQ(days[0]["onOff"], json({{"on", "07:00"}, {"off", "23:00"}}));
    EXPECT_EQ(days[0]["dark"],
              json::array({{{"start", "00:00"}, {"end", "07:00"}}, {{"start", "23:00"}, {"end", "24:00"}}}));
    // Dimmed half an hour after sunset (about 18:00 in Seoul in February) until 06:00.
    const json& levels = days[0]["brightness"];
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[0], json({{"start", "00:00"}, {"end", "06:00"}, {"level", 3}}));
    EXPECT_EQ(levels[1]["level"], 10);
    EXPECT_GE(levels[2]["start"].get<std::string>(), "18:20");
    EXPECT_LE(levels[2]["start"].get<std::string>(), "19:00");

    EXPECT_EQ(get(path + "?from=2027-02-10&to=2027-02-05").status, 422);
    EXPECT_EQ(get(path + "?from=2027-01-01&to=2028-01-02").status, 422);
    EXPECT_EQ(get(path + "?from=2027-02-30&to=2027-03-01").status, 400);
    EXPECT_EQ(get(path + "?from=2027-02-01").status, 400);
    EXPECT_EQ(get(path + "?from=2027-02-01&to=2027-02-01&at=1").status, 400);
    EXPECT_EQ(get("/api/v1/signs/999/plan?from=2027-02-01&to=2027-02-01").status, 404);

    // The day as the scheduler compiles it: these programs hold no item store, and it says so.
    const std::string compiled = "/api/v1/signs/" + std::to_string(front) + "/compiled";
    const Reply c = get(compiled + "?date=2027-02-07", "viewer");
    ASSERT_EQ(c.status, 200) << c.body;
    EXPECT_EQ(c.json["date"], "2027-02-07");
    EXPECT_EQ(c.json["fallback"], false);
    EXPECT_EQ(c.json["items"], 0);
    ASSERT_EQ(c.json["problems"].size(), 3u) << c.body;
    EXPECT_EQ(c.json["problems"][0], "00:00-02:00: program " + std::to_string(greeting) +
                                         " is not available; the period stays dark");
    EXPECT_EQ(get(compiled + "?date=2027-02-30").status, 400);
    EXPECT_EQ(get("/api/v1/signs/999/compiled?date=2027-02-01").status, 404);
}

TEST_F(ApiCalendarTest, APlanWithItemsTellsWhatPlaysWhenAndThePushesFromTheCompiledDay) {
    // All day a program whose second item shows from 22:00 to 02:00; lunch on Wednesday only.
    const int64_t day = addProgram("day", storeOf({sentence("DAY"), sentence("NIGHT", {22, 0}, {2, 0})}), 2);
    const int64_t lunch = addProgram("lunch", storeOf({sentence("LUNCH")}), 1);
    addEntry({{"program", day}, {"signs", {front}}});
    addEntry({{"program", lunch},
              {"signs", {front}},
              {"from", "2027-03-03"},
              {"to", "2027-03-03"},
              {"start", "11:00"},
              {"end", "14:00"},
              {"priority", 1}});
    // On Friday two programs of 60 items each do not fit the sign's 100: the fall-back.
    std::vector<ItemRecord> many;
    for (int i = 0; i < 60; ++i) many.push_back(sentence("M" + std::to_string(i)));
    const int64_t a = addProgram("a", storeOf(many), 60), b = addProgram("b", storeOf(many), 60);
    addEntry(
        {{"program", a}, {"signs", {front}}, {"from", "2027-03-05"}, {"to", "2027-03-05"}, {"priority", 2}});
    addEntry({{"program", b},
              {"signs", {front}},
              {"from", "2027-03-05"},
              {"to", "2027-03-05"},
              {"start", "12:00"},
              {"end", "18:00"},
              {"priority", 3}});

    const std::string path = "/api/v1/signs/" + std::to_string(front) + "/plan?from=2027-03-03&to=2027-03-05";
    const Reply plain = get(path, "viewer");
    ASSERT_EQ(plain.status, 200) << plain.body;
    EXPECT_FALSE(plain.json["days"][0].contains("plays"));
    const Reply r = get(path + "&items=true", "viewer");
    ASSERT_EQ(r.status, 200) << r.body;
    const json& days = r.json["days"];
    ASSERT_EQ(days.size(), 3u);
    const auto item = [](int64_t program, int number) {
        return json{{"program", program}, {"item", number}};
    };
    const auto plays = [](const char* start, const char* end, json items) {
        return json{{"start", start}, {"end", end}, {"dark", false}, {"items", std::move(items)}};
    };
    EXPECT_EQ(days[0]["plays"],
              json::array({plays("00:00", "02:00", {item(day, 1), item(day, 2)}),
                           plays("02:00", "11:00", {item(day, 1)}), plays("11:00", "14:00", {item(lunch, 1)}),
                           plays("14:00", "22:00", {item(day, 1)}),
                           plays("22:00", "24:00", {item(day, 1), item(day, 2)})}))
        << days[0]["plays"].dump();
    // Wednesday's program goes ahead on Tuesday from the minute on which both show the same up to
    // midnight; Thursday's goes at 00:00 as lunch has ended by then.
    EXPECT_TRUE(days[0]["fallback"].is_null());
    ASSERT_EQ(days[0]["pushes"].size(), 1u) << days[0]["pushes"].dump();
    EXPECT_EQ(days[0]["pushes"][0]["at"], "2027-03-02 14:00");
    EXPECT_EQ(days[0]["pushes"][0]["invisible"], true);
    EXPECT_TRUE(days[0]["pushes"][0]["program"].is_null());
    ASSERT_EQ(days[1]["pushes"].size(), 1u) << days[1]["pushes"].dump();
    EXPECT_EQ(days[1]["pushes"][0]["at"], "2027-03-03 14:00");

    // Friday falls back to a push of each period's program as it starts, and says why.
    EXPECT_TRUE(days[2]["fallback"].is_string()) << days[2].dump();
    EXPECT_NE(days[2]["fallback"].get<std::string>().find("120 items"), std::string::npos);
    const json& pushes = days[2]["pushes"];
    ASSERT_EQ(pushes.size(), 3u) << pushes.dump();
    const char* starts[] = {"00:00", "12:00", "18:00"};
    const int64_t programs[] = {a, b, a};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(pushes[i]["at"], std::string("2027-03-05 ") + starts[i]);
        EXPECT_EQ(pushes[i]["program"], programs[i]);
    }
    ASSERT_EQ(days[2]["plays"].size(), 3u) << days[2]["plays"].dump();
    EXPECT_EQ(days[2]["plays"][1]["items"].size(), 60u);
    EXPECT_EQ(days[2]["plays"][1]["items"][0], item(b, 1));

    EXPECT_EQ(get(path + "&items=maybe").status, 400);
}

TEST_F(ApiCalendarTest, AYearsHolidaysIncludeTheLunarOnesAndSubstitutes) {
    const Reply r = get("/api/v1/holidays?year=2027", "viewer");
    ASSERT_EQ(r.status, 200) << r.body;
    std::vector<std::string> seol;
    for (const json& h : r.json)
        if (h["name"] == "설날" || h["date"] == "2027-02-09") seol.push_back(h["date"]);
    EXPECT_EQ(seol, (std::vector<std::string>{"2027-02-06", "2027-02-07", "2027-02-08", "2027-02-09"}));
    EXPECT_EQ(get("/api/v1/holidays?year=twenty").status, 400);
    EXPECT_EQ(get("/api/v1/holidays").status, 400);
}

TEST_F(ApiCalendarTest, TheAdminsDaysJoinTheHolidaysOfEveryPlan) {
    const json company = {{"date", "2027-03-12"}, {"name", "창립기념일"}, {"official", false}};
    EXPECT_EQ(post("/api/v1/holidays/designated", company, "operator").status, 403);
    Reply r = post("/api/v1/holidays/designated", company);
    ASSERT_EQ(r.status, 201) << r.body;
    const int64_t id = r.json["id"];
    EXPECT_EQ(r.json["name"], "창립기념일");
    EXPECT_EQ(r.json["official"], false);
    EXPECT_EQ(r.header("Location"), "/api/v1/holidays/designated/" + std::to_string(id));
    ASSERT_EQ(audited("holiday.create").size(), 1u);
    EXPECT_EQ(audited("holiday.create")[0].target, "designated day " + std::to_string(id));

    // Refused with the field named.
    const auto refused = [this](const json& body) {
        const Reply bad = post("/api/v1/holidays/designated", body);
        EXPECT_EQ(bad.status, 422) << body.dump();
        return message(bad);
    };
    EXPECT_EQ(refused(company), "창립기념일 on 2027-03-12 is already a designated day");
    EXPECT_EQ(refused({{"date", "2027-02-30"}, {"name", "x"}}).substr(0, 5), "date:");
    EXPECT_EQ(refused({{"date", "2027-03-12"}, {"name", ""}}).substr(0, 5), "name:");
    EXPECT_EQ(refused({{"date", "2027-03-12"}, {"name", std::string(101, 'x')}}).substr(0, 5), "name:");
    EXPECT_EQ(post("/api/v1/holidays/designated", {{"date", "2027-03-12"}}).status, 400);

    // The holidays, the plan and the list show it.
    r = get("/api/v1/holidays?year=2027", "viewer");
    json marked;
    for (const json& h : r.json)
        if (h["date"] == "2027-03-12") marked = h;
    EXPECT_EQ(marked, json({{"date", "2027-03-12"}, {"name", "창립기념일"}, {"kind", "designated"}}));
    EXPECT_EQ(r.json.at(0), json({{"date", "2027-01-01"}, {"name", "신정"}, {"kind", "public"}}));
    addEntry({{"program", greeting}, {"signs", {front}}, {"holidays", "only"}});
    const std::string plan = "/api/v1/signs/" + std::to_string(front) + "/plan?from=2027-03-12&to=2027-03-12";
    r = get(plan, "viewer");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["days"][0]["holiday"], "창립기념일");
    EXPECT_EQ(r.json["days"][0]["periods"][0]["program"], greeting);
    EXPECT_EQ(get("/api/v1/holidays/designated", "viewer").json.size(), 1u);

    const std::string path = "/api/v1/holidays/designated/" + std::to_string(id);
    EXPECT_EQ(remove(path, "operator").status, 403);
    EXPECT_EQ(remove(path, "admin").status, 204);
    EXPECT_EQ(remove(path, "admin").status, 404);
    EXPECT_EQ(audited("holiday.delete").size(), 1u);
    EXPECT_EQ(get(plan, "viewer").json["days"][0]["holiday"], nullptr);
    EXPECT_EQ(get("/api/v1/holidays/designated", "viewer").json, json::array());
}

TEST_F(ApiCalendarTest, ASignsCoordinatesPlaceItsSunSteps) {
    const std::string sign = "/api/v1/signs/" + std::to_string(front);
    EXPECT_EQ(get(sign).json["latitude"], nullptr);
    ASSERT_EQ(post("/api/v1/brightness-plans",
                   {{"signs", {front}},
                    {"steps", {{{"at", "06:00"}, {"level", 10}}, {{"at", "sunset"}, {"level", 3}}}}},
                   "operator")
                  .status,
              201);
    const std::string plan = sign + "/plan?from=2027-01-11&to=2027-01-11";
    const json seoul = get(plan).json["days"][0]["brightness"].back()["start"];

    Reply r = patch(sign, {{"latitude", 35.18}, {"longitude", 129.08}}, "admin");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.json["latitude"], 35.18);
    EXPECT_EQ(r.json["longitude"], 129.08);
    const CalendarDate day{2027, 1, 11};
    const int sunset = static_cast<int>(std::lround(*sunTimes(day, {35.18, 129.08}).sunset / 60));
    const json busan = get(plan).json["days"][0]["brightness"].back()["start"];
    EXPECT_EQ(busan, minuteText(sunset));
    EXPECT_NE(busan, seoul);

    EXPECT_EQ(patch(sign, {{"latitude", 35.18}}, "admin").status, 422);
    EXPECT_EQ(patch(sign, {{"latitude", nullptr}, {"longitude", 129.08}}, "admin").status, 422);
    EXPECT_EQ(patch(sign, {{"latitude", 91}, {"longitude", 0}}, "admin").status, 422);
    EXPECT_EQ(patch(sign, {{"latitude", 0}, {"longitude", -180.5}}, "admin").status, 422);
    EXPECT_EQ(patch(sign, {{"latitude", "35"}, {"longitude", 0}}, "admin").status, 400);
    EXPECT_EQ(get(sign).json["latitude"], 35.18);
    r = patch(sign, {{"latitude", nullptr}, {"longitude", nullptr}}, "admin");
    EXPECT_EQ(r.json["longitude"], nullptr);
    EXPECT_EQ(get(plan).json["days"][0]["brightness"].back()["start"], seoul);
    r = post("/api/v1/signs",
             {{"name", "busan"}, {"link", "tcp:127.0.0.1:9001"}, {"latitude", 35.18}, {"longitude", 129.08}});
    ASSERT_EQ(r.status, 201) << r.body;
    EXPECT_EQ(r.json["latitude"], 35.18);
}

}  // namespace
}  // namespace orb
