// Signs, groups and programs as stored: names unique, groups made on demand, what a sign holds
// tied to a program version that then cannot go, state changes audited once.
#include "service/core/SignStore.h"

#include <gtest/gtest.h>

#include "service/core/tests/StoreFixture.h"

namespace orb {
namespace {

using SignStoreTest = testing::StoreFixture;

TEST_F(SignStoreTest, SignsKeepTheirFieldsAndGroupsAreMadeWhenNamed) {
    const int64_t a = addSign("front", {"north", "shops"});
    const int64_t b = addSign("back", {"shops"});
    int64_t dup = 0;
    SignInput same;
    same.name = "front";
    same.link = "tcp:127.0.0.1:1";
    EXPECT_EQ(store.signs.create(same, actor(), dup), DbStatus::Conflict);

    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.groups.list(groups), DbStatus::Ok);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "north");
    EXPECT_EQ(groups[0].signs, std::vector<int64_t>{a});
    EXPECT_EQ(groups[1].signs, (std::vector<int64_t>{a, b}));

    SignPatch patch;
    patch.notes = "by the door";
    patch.width = 12;
    patch.groups = std::vector<std::string>{"east"};
    ASSERT_EQ(store.signs.update(a, patch, actor()), DbStatus::Ok);
    SignRecord r;
    ASSERT_EQ(store.signs.get(a, r), DbStatus::Ok);
    EXPECT_EQ(r.name, "front");
    EXPECT_EQ(r.link, "tcp:127.0.0.1:9000");
    EXPECT_EQ(r.width, 12);
    EXPECT_EQ(r.height, 1);
    EXPECT_EQ(r.notes, "by the door");
    EXPECT_EQ(r.groups, std::vector<std::string>{"east"});
    EXPECT_EQ(r.state, SignState::Unknown);
    EXPECT_EQ(r.holding.kind, SignHolding::Unknown);
    patch = {};
    patch.width = 41;  // outside the sign's range
    EXPECT_EQ(store.signs.update(a, patch, actor()), DbStatus::Conflict);
    EXPECT_EQ(store.signs.update(999, {}, actor()), DbStatus::NotFound);

    std::vector<int64_t> members{b, 999};
    EXPECT_EQ(store.groups.update(groups[0].id, std::nullopt, members, actor()), DbStatus::NotFound);
    int64_t group = 0;
    EXPECT_EQ(store.groups.create("empty", {}, actor(), group), DbStatus::Ok);
    EXPECT_EQ(store.groups.create("east", {}, actor(), group), DbStatus::Conflict);
}

TEST_F(SignStoreTest, AHeldProgramVersionCannotBeDeletedUntilTheSignHoldsSomethingElse) {
    const int64_t sign = addSign("front");
    const int64_t program = addProgram("menu", {{"a.bmp", std::string(64, 'a') + ".bmp"}});
    const int64_t other = addProgram("other", {{"b.bmp", std::string(64, 'a') + ".bmp"}});
    SignHolding held{SignHolding::Program, program, 1, "2025-03-01T09:00:01.000", "2025-03-01T09:00:02.000"};
    ASSERT_EQ(store.signs.recordHolding(sign, held, actor("orbd")), DbStatus::Ok);
    SignHolding missing{SignHolding::Program, program, 2, "", ""};
    EXPECT_EQ(store.signs.recordHolding(sign, missing, actor("orbd")), DbStatus::Conflict);

    SignRecord r;
    ASSERT_EQ(store.signs.get(sign, r), DbStatus::Ok);
    EXPECT_EQ(r.holding.kind, SignHolding::Program);
    EXPECT_EQ(r.holding.program, program);
    EXPECT_EQ(r.holding.since, "2025-03-01T09:00:01.000");

    std::vector<std::string> unused;
    EXPECT_EQ(store.programs.remove(program, actor(), unused), DbStatus::Conflict);
    ASSERT_EQ(store.signs.forgetHolding(sign, actor("orbd")), DbStatus::Ok);
    ASSERT_EQ(store.programs.remove(program, actor(), unused), DbStatus::Ok);
    EXPECT_TRUE(unused.empty());  // the other program still uses the picture
    ASSERT_EQ(store.programs.remove(other, actor(), unused), DbStatus::Ok);
    EXPECT_EQ(unused, std::vector<std::string>{std::string(64, 'a') + ".bmp"});
}

TEST_F(SignStoreTest, VersionsCountUpAndTheLatestIsFound) {
    const int64_t program = addProgram("menu");
    int version = 0;
    ProgramVersionInput second{"{\"v\": 2}", std::vector<uint8_t>(16, 2), 3, {}};
    ASSERT_EQ(store.programs.addVersion(program, second, actor(), version), DbStatus::Ok);
    EXPECT_EQ(version, 2);
    EXPECT_EQ(store.programs.addVersion(999, second, actor(), version), DbStatus::NotFound);
    ProgramVersionRecord latest;
    ASSERT_EQ(store.programs.version(program, 0, latest), DbStatus::Ok);
    EXPECT_EQ(latest.version, 2);
    EXPECT_EQ(latest.itemCount, 3);
    EXPECT_EQ(latest.store, std::vector<uint8_t>(16, 2));
    ProgramRecord record;
    ASSERT_EQ(store.programs.get(program, record), DbStatus::Ok);
    ASSERT_EQ(record.versions.size(), 2u);
    EXPECT_EQ(record.versions[0].createdBy, "admin");
    const int64_t other = addProgram("other");
    std::map<int64_t, int> numbers;
    ASSERT_EQ(store.programs.latestVersions(numbers), DbStatus::Ok);
    EXPECT_EQ(numbers, (std::map<int64_t, int>{{program, 2}, {other, 1}}));
}

TEST_F(SignStoreTest, StateChangesAreAuditedOnceAndSettingsKeepWhatWasNotGiven) {
    const int64_t sign = addSign("front");
    bool changed = false;
    ASSERT_EQ(
        store.signs.observe(sign, {SignState::Online, "2025-03-01T09:00:00.100"}, actor("orbd"), changed),
        DbStatus::Ok);
    EXPECT_TRUE(changed);
    ASSERT_EQ(
        store.signs.observe(sign, {SignState::Online, "2025-03-01T09:01:00.100"}, actor("orbd"), changed),
        DbStatus::Ok);
    EXPECT_FALSE(changed);
    ASSERT_EQ(store.signs.observe(sign, {SignState::Unreachable, std::nullopt}, actor("orbd"), changed),
              DbStatus::Ok);
    EXPECT_TRUE(changed);
    SignRecord r;
    ASSERT_EQ(store.signs.get(sign, r), DbStatus::Ok);
    EXPECT_EQ(r.state, SignState::Unreachable);
    EXPECT_EQ(r.lastAnswer, "2025-03-01T09:01:00.100");
    std::vector<AuditRecord> rows;
    AuditFilter filter;
    filter.action = "sign.state";
    ASSERT_EQ(store.audit.query(filter, rows), DbStatus::Ok);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].result, "unreachable");
    EXPECT_EQ(rows[0].detail, "was online");

    SignSettingsRecord size;
    size.width = 8, size.height = 2, size.sizeAt = "2025-03-01T09:02:00.000";
    ASSERT_EQ(store.signs.recordSettings(sign, size, actor("orbd")), DbStatus::Ok);
    SignSettingsRecord brightness;
    brightness.brightness = 4, brightness.brightnessAt = "2025-03-01T09:03:00.000";
    ASSERT_EQ(store.signs.recordSettings(sign, brightness, actor("orbd")), DbStatus::Ok);
    ASSERT_EQ(store.signs.get(sign, r), DbStatus::Ok);
    EXPECT_EQ(r.settings.width, 8);
    EXPECT_EQ(r.settings.sizeAt, "2025-03-01T09:02:00.000");
    EXPECT_EQ(r.settings.brightness, 4);
    EXPECT_FALSE(r.settings.onOffAt.has_value());
}

}  // namespace
}  // namespace orb
