// The JSON forms of brightness and ON/OFF plans, and of a calendar in one document.
#include "service/calendar/CalendarJson.h"

#include <gtest/gtest.h>

namespace orb {
namespace {

using json = nlohmann::json;
using Problems = std::vector<std::string>;

const PlanLookup kLookup{
    {}, [](const std::string& g) { return g == "shop"; }, [](SignId s) { return s == 1; }};

TEST(CalendarJson, PlansAreReadAndWrittenBackInTheSameForm) {
    const json brightness = json::parse(R"({"signs": [1], "groups": ["shop"], "steps": [
        {"at": "06:30", "level": 10}, {"at": "sunset", "offset": -20, "level": 2},
        {"at": "sunrise", "offset": 0, "level": 7}]})");
    BrightnessPlan b;
    ASSERT_EQ(parseBrightnessPlan(brightness, kLookup, b), Problems{});
    ASSERT_EQ(b.steps.size(), 3u);
    EXPECT_EQ(b.steps[0].anchor, TimeAnchor::Clock);
    EXPECT_EQ(b.steps[0].minutes, 6 * 60 + 30);
    EXPECT_EQ(b.steps[1].anchor, TimeAnchor::Sunset);
    EXPECT_EQ(b.steps[1].minutes, -20);
    EXPECT_EQ(b.steps[1].level, 2);
    json back = brightnessPlanJson(b);
    back.erase("id");
    EXPECT_EQ(back, brightness);

    const json onOff = json::parse(R"({"signs": [], "groups": ["shop"], "rules": [
        {"from": null, "to": null, "weekdays": ["mon", "fri"], "holidays": "except", "on": "07:00", "off": "01:00"},
        {"from": "2027-02-06", "to": "2027-02-09", "weekdays": ["mon", "tue", "wed", "thu", "fri", "sat", "sun"],
         "holidays": "any", "on": null, "off": null}]})");
    OnOffPlan o;
    ASSERT_EQ(parseOnOffPlan(onOff, kLookup, o), Problems{});
    ASSERT_EQ(o.rules.size(), 2u);
    EXPECT_TRUE(o.rules[0].switching);
    EXPECT_EQ(o.rules[0].off, 60);
    EXPECT_EQ(o.rules[0].weekdays, weekdayBit(0) | weekdayBit(4));
    EXPECT_FALSE(o.rules[1].switching);
    back = onOffPlanJson(o);
    back.erase("id");
    EXPECT_EQ(back, onOff);
}

TEST(CalendarJson, BadPlansAreRefusedWholeNamingThePlanAndTheStepOrRule) {
    BrightnessPlan b;
    b.id = 4;
    b.steps = {{TimeAnchor::Clock, 60, 5}};
    EXPECT_EQ(
        parseBrightnessPlan(json::parse(R"({"groups": ["shop"], "steps": [{"at": "sunset", "offset": 800,
        "level": 0}, {"at": "12:00", "offset": 5, "level": 3}, {"level": 3}], "colour": 1})"),
                            kLookup, b),
        (Problems{"brightness plan 4: colour is not a field of a brightness plan",
                  "brightness plan 4: step 1: level is out of range (1 to 10)",
                  "brightness plan 4: step 1: offset is out of range (-720 to 720)",
                  "brightness plan 4: step 2: offset goes only with \"sunrise\" or \"sunset\"",
                  "brightness plan 4: step 3: at is missing"}));
    EXPECT_EQ(b.steps.size(), 1u);  // left as it was
    EXPECT_EQ(
        parseBrightnessPlan(json::parse(R"({"groups": ["hall"], "signs": [2], "steps": []})"), kLookup, b),
        (Problems{"brightness plan 4: has no step", "brightness plan 4: group \"hall\" does not exist",
                  "brightness plan 4: sign 2 does not exist"}));
    EXPECT_EQ(
        parseBrightnessPlan(json::parse(R"({"steps": [{"at": "6:00", "level": 3}]})"), kLookup, b),
        (Problems{"brightness plan 4: step 1: at \"6:00\" is not \"sunrise\", \"sunset\" or a time HH:MM "
                  "(00:00 to 23:59)"}));

    OnOffPlan o;
    EXPECT_EQ(
        parseOnOffPlan(json::parse(R"({"signs": [1], "rules": [{"on": "07:00"}, {"off": "24:00", "on": "1"},
        {"weekdays": [], "from": "2027-01-02", "to": "2027-01-01"}]})"),
                       kLookup, o),
        (Problems{"the new ON/OFF plan: rule 1: off is missing (give both, or neither for on all day)",
                  "the new ON/OFF plan: rule 2: on \"1\" is not a time of day HH:MM (00:00 to 23:59)",
                  "the new ON/OFF plan: rule 2: off \"24:00\" is not a time of day HH:MM (00:00 to 23:59)"}));
    EXPECT_EQ(parseOnOffPlan(json::parse(R"({"signs": [1], "rules": [{"weekdays": [], "from": "2027-01-02",
        "to": "2027-01-01"}]})"),
                             kLookup, o),
              (Problems{"the new ON/OFF plan: rule 1 ends (2027-01-01) before it starts (2027-01-02)",
                        "the new ON/OFF plan: rule 1 has no weekday"}));
    EXPECT_EQ(parseOnOffPlan(json::parse(R"({"signs": [1]})"), kLookup, o),
              Problems{"the new ON/OFF plan: rules is missing"});
}

TEST(CalendarJson, ACalendarFileKeepsItsIdsAndNamesEveryBadPart) {
    CalendarFile file;
    EXPECT_EQ(parseCalendarFile(json::parse(R"({"entries": [{"id": 9, "program": 3, "signs": [1]},
        {"program": 4, "groups": ["a"], "priority": 2}], "onoff": [{"groups": ["a"], "rules": []}]})"),
                                file),
              Problems{});
    ASSERT_EQ(file.entries.size(), 2u);
    EXPECT_EQ(file.entries[0].id, 9);
    EXPECT_EQ(file.entries[1].id, 2);  // its place in the list
    EXPECT_EQ(file.entries[1].created, 2);
    EXPECT_EQ(file.onOff.size(), 1u);

    EXPECT_EQ(parseCalendarFile(json::parse(R"({"entries": [{"id": 0, "program": 3, "signs": [1]},
        {"id": 5, "program": 3}], "brightness": {}, "extra": []})"),
                                file),
              (Problems{"extra is not a part of a calendar", "entries 1: id must be a whole number from 1",
                        "entry 5: names no sign and no group", "brightness must be an array"}));
    EXPECT_TRUE(file.entries.empty());
    EXPECT_EQ(parseCalendarFile(json::array(), file).size(), 1u);
}

}  // namespace
}  // namespace orb
