#pragma once
// The public holidays of Korea by the rules in force (관공서의 공휴일에 관한 규정, 공휴일에 관한
// 법률): the fixed solar days, 설날 and 추석 (three days each) and 부처님오신날 from the lunar
// calendar, substitute holidays, and the days the admin adds. Each rule carries the year it
// began, so the years from 2014 on come out as they were declared.
//
// Substitute holidays (대체공휴일):
//  - 설날 and 추석: when one of their days falls on a Sunday or on another public holiday, the
//    first day after the three that is not a public holiday (Sunday included) is a holiday;
//    a Saturday does not count.
//  - 삼일절, 부처님오신날, 어린이날, 제헌절, 광복절, 개천절, 한글날, 기독탄신일: when the day falls
//    on a Saturday, a Sunday or another public holiday, the first day after it that is not one.
//  - 신정, 현충일, election days and other designated days: none.
//  - Holidays that fall together give as many substitutes as days were lost: 어린이날 and
//    부처님오신날 on one Monday lose one day, not two. Substitutes never share a day: a later
//    one moves on to the next day that is free. Saturday is not a public holiday, so a
//    substitute may fall on one.
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "service/calendar/CalendarDate.h"

namespace orb {

enum class HolidayKind { Public, Substitute, Designated };

struct Holiday {
    CalendarDate date;
    std::string name;  // "설날", "대체공휴일", or the designated day's own name
    HolidayKind kind = HolidayKind::Public;
    bool operator==(const Holiday&) const = default;
};

// A day the admin adds. An official one (an election day, a temporary public holiday) is a
// public holiday for the substitute rules; a company day only marks the day.
struct DesignatedDay {
    CalendarDate date;
    std::string name;
    bool official = true;
};

// The holidays of YEAR, by date (several may share a day), substitutes and the designated days
// of that year included. False when the lunar calendar is not available: OUT then holds the
// solar holidays only.
bool koreanHolidays(int year, std::span<const DesignatedDay> designated, std::vector<Holiday>& out);

// One year's holidays, looked up by day.
struct HolidayYear {
    int year = 0;
    std::vector<Holiday> days;
    bool lunarMissing = false;  // the lunar calendar failed: 설날, 추석, 부처님오신날 are absent
    // The names of a day's holidays joined by ", "; null when the day is none.
    const std::string* nameOn(const CalendarDate& d) const;

    std::unordered_map<int64_t, std::string> names;  // by day number
};

// Korean holidays with the admin's days, computed once per year and kept; safe to share between
// threads.
class HolidayCalendar {
  public:
    explicit HolidayCalendar(std::vector<DesignatedDay> designated = {});

    std::shared_ptr<const HolidayYear> year(int year) const;
    // The day's holiday names, "" when it is none.
    std::string nameOn(const CalendarDate& d) const;

  private:
    std::vector<DesignatedDay> designated_;
    mutable std::mutex mutex_;
    mutable std::unordered_map<int, std::shared_ptr<const HolidayYear>> years_;
};

}  // namespace orb
