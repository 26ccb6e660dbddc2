#include "service/calendar/CalendarEntry.h"

#include <gtest/gtest.h>

#include "service/calendar/CalendarJson.h"

namespace orb {
namespace {

using json = nlohmann::json;
using Problems = std::vector<std::string>;

const PlanLookup kLookup{[](ProgramId p) { return p == 5; }, [](const std::string& g) { return g == "shop"; },
                         [](SignId s) { return s == 1; }};

Problems parse(const char* text, CalendarEntry& e) {
    return parseCalendarEntry(json::parse(text), kLookup, e);
}

TEST(CalendarEntry, TheApiFormIsReadWithItsDefaults) {
    CalendarEntry e;
    EXPECT_EQ(parse(R"({"program": 5, "groups": ["shop"]})", e), Problems{});
    EXPECT_EQ(e.weekdays, kEveryDay);
    EXPECT_EQ(e.holidays, HolidayRule::Any);
    EXPECT_FALSE(e.from || e.to || e.start || e.end);
    EXPECT_EQ(e.priority, 0);
    const char* full = R"({"program": 5, "signs": [1], "groups": [], "from": "2025-03-01", "to": null,
        "weekdays": ["sat", "sun"], "holidays": "except", "start": "22:30", "end": "02:00", "priority": -2})";
    ASSERT_EQ(parse(full, e), Problems{});
    EXPECT_EQ(e.targets.signs, std::vector<SignId>{1});
    EXPECT_EQ(e.from, parseCalendarDate("2025-03-01"));
    EXPECT_EQ(e.weekdays, weekdayBit(5) | weekdayBit(6));
    EXPECT_EQ(e.holidays, HolidayRule::Except);
    EXPECT_EQ(e.start, 22 * 60 + 30);
    EXPECT_EQ(e.end, 120);
    EXPECT_EQ(e.priority, -2);
    // Written back in the same form.
    json back = calendarEntryJson(e);
    back.erase("id");
    EXPECT_EQ(back, json::parse(full));
}

TEST(CalendarEntry, InvalidEntriesAreRefusedWithMessagesNamingThem) {
    CalendarEntry e;
    e.id = 17, e.program = 7;
    EXPECT_EQ(parse(R"({"program": 5, "groups": ["shop"], "from": "2025-03-05", "to": "2025-03-01"})", e),
              Problems{"entry 17: ends (2025-03-01) before it starts (2025-03-05)"});
    EXPECT_EQ(parse(R"({"program": 5, "groups": ["shop"], "weekdays": []})", e),
              Problems{"entry 17: has no weekday"});
    EXPECT_EQ(parse(R"({"program": 5, "groups": ["shop"], "start": "24:00", "end": "99:99"})", e),
              (Problems{"entry 17: start \"24:00\" is not a time of day HH:MM (00:00 to 23:59)",
                        "entry 17: end \"99:99\" is not a time of day HH:MM (00:00 to 23:59)"}));
    EXPECT_EQ(parse(R"({"program": 6, "groups": ["shop", "depot"], "signs": [1, 2]})", e),
              (Problems{"entry 17: program 6 does not exist", "entry 17: group \"depot\" does not exist",
                        "entry 17: sign 2 does not exist"}));
    EXPECT_EQ(parse(R"({"program": 5})", e), Problems{"entry 17: names no sign and no group"});
    EXPECT_EQ(parse(R"({"program": "5", "groups": "shop", "holidays": "sometimes", "colour": 1})", e),
              (Problems{"entry 17: colour is not a field of an entry",
                        "entry 17: program must be a whole number", "entry 17: groups must be an array",
                        "entry 17: holidays must be \"any\", \"only\" or \"except\""}));
    EXPECT_EQ(e.id, 17);
    EXPECT_EQ(e.program, 7);  // untouched by the refusals
    CalendarEntry fresh;
    EXPECT_EQ(parseCalendarEntry(json::array(), kLookup, fresh),
              Problems{"the new entry: the body must be an object"});
}

TEST(CalendarEntry, ValidationChecksEntriesMadeInCode) {
    CalendarEntry e;
    e.id = 3, e.program = 5, e.targets.signs = {1};
    e.start = 24 * 60, e.end = 6039;
    EXPECT_EQ(validateEntry(e, kLookup),
              (Problems{"entry 3: start time 24:00 is not a time of day (00:00 to 23:59)",
                        "entry 3: end time 6039 minutes after 00:00 is not a time of day (00:00 to 23:59)"}));
    e.start = 9 * 60, e.end = 9 * 60;
    EXPECT_EQ(validateEntry(e),
              Problems{"entry 3: starts and ends at 09:00 (leave both out for the whole day)"});
}

}  // namespace
}  // namespace orb
