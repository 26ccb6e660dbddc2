// The calendar as stored: a database of the first schema gains the calendar with its data kept,
// a change that cannot be written leaves nothing behind, and the database itself keeps what an
// entry or plan names from being deleted under it.
#include "service/core/CalendarStore.h"

#include <gtest/gtest.h>

#include "service/core/Schema.h"
#include "service/core/ServiceStore.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::TempDir;

const ServiceClock kClock(LocalTimestamp{{2025, 3, 1, 9, 0, 0}, 0}, 1);
const Actor kActor{"alice", "2025-03-01T09:00:00.000"};
const ProgramVersionInput kVersion{"{}", std::vector<uint8_t>(16), 0, {}};

int64_t count(Database& db, const char* sql) {
    std::lock_guard lock(db.mutex());
    Statement st = db.prepare(sql);
    return st.step() ? st.integer(0) : -1;
}

TEST(CalendarStore, AFirstSchemaDatabaseGainsTheCalendarAndKeepsItsSigns) {
    TempDir dir;
    std::string error;
    {
        Database db;
        ASSERT_TRUE(db.open(dir.file("orbd.db")).ok);
        ASSERT_TRUE(migrateSchemaTo(db, 1, error)) << error;
        ASSERT_EQ(db.exec("INSERT INTO signs (name, link, model, width, height, location, notes, created)"
                          " VALUES ('front', 'tcp:127.0.0.1:9000', 'LEDSign', 6, 1, '', '', 'x')"),
                  DbStatus::Ok);
    }
    ServiceStore store;
    ASSERT_TRUE(store.open(dir.file(""), kClock, error)) << error;
    CalendarEntry e;
    e.program = 0;
    e.targets.signs = {1};
    int64_t program = 0;
    ASSERT_EQ(store.programs.add("p", kVersion, kActor, program), DbStatus::Ok);
    e.program = program;
    ASSERT_EQ(store.calendar.createEntry(e, kActor), DbStatus::Ok);
    CalendarContents contents;
    ASSERT_EQ(store.calendar.list(contents), DbStatus::Ok);
    ASSERT_EQ(contents.entries.size(), 1u);
    EXPECT_EQ(contents.entries[0].targets.signs, std::vector<SignId>{1});
}

TEST(CalendarStore, AChangeThatCannotBeWrittenLeavesNoRowAndNoAuditRecord) {
    TempDir dir;
    std::string error;
    ServiceStore store;
    ASSERT_TRUE(store.open(dir.file("data"), kClock, error)) << error;
    const int64_t audits = count(store.db, "SELECT count(*) FROM audit");
    CalendarEntry e;
    e.program = 42;  // no such program: the foreign key fails after the row was begun
    e.targets.groups = {"nowhere"};
    EXPECT_EQ(store.calendar.createEntry(e, kActor), DbStatus::Conflict);
    EXPECT_EQ(e.id, 0);
    e.targets.groups.clear();
    e.targets.signs = {7};
    EXPECT_EQ(store.calendar.createEntry(e, kActor), DbStatus::Conflict);
    BrightnessPlan p;
    p.targets.signs = {7};
    p.steps = {{TimeAnchor::Sunset, 0, 3}};
    EXPECT_EQ(store.calendar.createPlan(p, kActor), DbStatus::Conflict);
    EXPECT_EQ(count(store.db, "SELECT count(*) FROM calendar_entries"), 0);
    EXPECT_EQ(count(store.db, "SELECT count(*) FROM calendar_plans"), 0);
    EXPECT_EQ(count(store.db, "SELECT count(*) FROM calendar_targets"), 0);
    EXPECT_EQ(count(store.db, "SELECT count(*) FROM audit"), audits);
    EXPECT_EQ(store.calendar.removeEntry(1, kActor), DbStatus::NotFound);
    EXPECT_EQ(store.calendar.removePlan(1, "onoff", kActor), DbStatus::NotFound);
}

TEST(CalendarStore, TheDatabaseKeepsWhatIsNamedAndIdsAreNotReused) {
    TempDir dir;
    std::string error;
    ServiceStore store;
    ASSERT_TRUE(store.open(dir.file("data"), kClock, error)) << error;
    int64_t program = 0, sign = 0, group = 0;
    ASSERT_EQ(store.programs.add("p", kVersion, kActor, program), DbStatus::Ok);
    SignInput front;
    front.name = "front", front.link = "tcp:127.0.0.1:9000";
    ASSERT_EQ(store.signs.create(front, kActor, sign), DbStatus::Ok);
    ASSERT_EQ(store.groups.create("lobby", {sign}, kActor, group), DbStatus::Ok);
    CalendarEntry first, second;
    first.program = second.program = program;
    first.targets.signs = {sign};
    second.targets.groups = {"lobby"};
    ASSERT_EQ(store.calendar.createEntry(first, kActor), DbStatus::Ok);
    ASSERT_EQ(store.calendar.createEntry(second, kActor), DbStatus::Ok);
    OnOffPlan plan;
    plan.targets.groups = {"lobby"};
    ASSERT_EQ(store.calendar.createPlan(plan, kActor), DbStatus::Ok);

    std::vector<std::string> unused;
    EXPECT_NE(store.programs.remove(program, kActor, unused), DbStatus::Ok);
    EXPECT_NE(store.signs.remove(sign, kActor), DbStatus::Ok);
    EXPECT_NE(store.groups.remove(group, kActor), DbStatus::Ok);
    EXPECT_EQ(store.calendar.usersOfProgram(program), "calendar entries 1, 2");
    EXPECT_EQ(store.calendar.usersOfGroup(group), "calendar entry 2; ON/OFF plan 1");
    EXPECT_EQ(store.calendar.usersOfSign(sign), "calendar entry 1");

    ASSERT_EQ(store.calendar.removeEntry(second.id, kActor), DbStatus::Ok);
    CalendarEntry third = first;
    third.id = 0;
    ASSERT_EQ(store.calendar.createEntry(third, kActor), DbStatus::Ok);
    EXPECT_EQ(third.id, 3);
    EXPECT_GT(third.created, first.created);  // the newer wins among equal priorities
}

}  // namespace
}  // namespace orb
