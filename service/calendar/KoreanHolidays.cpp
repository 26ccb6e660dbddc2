#include "service/calendar/KoreanHolidays.h"

#include <algorithm>
#include <set>

#include "service/calendar/LunarCalendar.h"

namespace orb {

namespace {

enum class Substitute { Never, SundayOrOverlap, WeekendOrOverlap };

struct Rule {
    const char* name;
    bool lunar;
    int month, day;
    bool threeDays;  // the day before, the day, the day after
    int since;       // the first year the day is a public holiday
    Substitute substitute;
    int substituteSince;
};

// In the order the almanac lists them; a day's names are joined in this order.
constexpr Rule kRules[] = {
    {"신정", false, 1, 1, false, 0, Substitute::Never, 0},
    {"설날", true, 1, 1, true, 0, Substitute::SundayOrOverlap, 2014},
    {"삼일절", false, 3, 1, false, 0, Substitute::WeekendOrOverlap, 2021},
    {"어린이날", false, 5, 5, false, 0, Substitute::WeekendOrOverlap, 2014},
    {"부처님오신날", true, 4, 8, false, 0, Substitute::WeekendOrOverlap, 2023},
    {"현충일", false, 6, 6, false, 0, Substitute::Never, 0},
    {"제헌절", false, 7, 17, false, 2026, Substitute::WeekendOrOverlap, 2026},
    {"광복절", false, 8, 15, false, 0, Substitute::WeekendOrOverlap, 2021},
    {"추석", true, 8, 15, true, 0, Substitute::SundayOrOverlap, 2014},
    {"개천절", false, 10, 3, false, 0, Substitute::WeekendOrOverlap, 2021},
    {"한글날", false, 10, 9, false, 2013, Substitute::WeekendOrOverlap, 2021},
    {"기독탄신일", false, 12, 25, false, 0, Substitute::WeekendOrOverlap, 2023},
};

// A public holiday of the rules, with what its substitute needs.
struct RuleDay {
    int64_t day;
    size_t rule;
    int64_t blockEnd;  // the last of its days: a substitute comes after it
};

Substitute substituteOf(const RuleDay& d, int year) {
    const Rule& r = kRules[d.rule];
    return year >= r.substituteSince ? r.substitute : Substitute::Never;
}

// The days of the rules in YEAR; false when a lunar one could not be computed.
bool ruleDays(int year, std::vector<RuleDay>& out) {
    std::optional<LunarCalendar> lunar = LunarCalendar::create();
    bool complete = true;
    for (size_t i = 0; i < std::size(kRules); ++i) {
        const Rule& r = kRules[i];
        if (year < r.since) continue;
        std::optional<CalendarDate> d = CalendarDate{year, r.month, r.day};
        if (r.lunar) d = lunar ? lunar->toSolar(year, r.month, r.day) : std::nullopt;
        if (!d) {
            complete = false;
            continue;
        }
        const int64_t n = d->dayNumber();
        if (!r.threeDays) {
            out.push_back({n, i, n});
            continue;
        }
        for (int64_t k = n - 1; k <= n + 1; ++k) out.push_back({k, i, n + 1});
    }
    return complete;
}

int weekdayOf(int64_t day) {
    return CalendarDate::fromDayNumber(day).weekday();
}

// Places the substitutes of the days that lost one, in date order.
class SubstitutePlacer {
  public:
    SubstitutePlacer(int year, const std::vector<RuleDay>& days, const std::multiset<int64_t>& official)
        : year_(year), days_(days), official_(official), taken_(official.begin(), official.end()) {
        for (const RuleDay& d : days_) taken_.insert(d.day);
    }

    std::vector<Holiday> place() {
        std::set<int64_t> dates;
        for (const RuleDay& d : days_) dates.insert(d.day);
        std::vector<Holiday> out;
        for (int64_t day : dates)
            for (int64_t anchor : anchorsOfLostDays(day)) out.push_back(substituteAfter(anchor));
        return out;
    }

  private:
    // For each day lost on DAY, the day its substitute comes after.
    std::vector<int64_t> anchorsOfLostDays(int64_t day) const {
        const int weekday = weekdayOf(day);
        const int together = static_cast<int>(official_.count(day)) +
                             static_cast<int>(std::count_if(days_.begin(), days_.end(),
                                                            [&](const RuleDay& d) { return d.day == day; }));
        std::vector<int64_t> anchors;
        bool weekendRule = false;
        for (const RuleDay& d : days_) {
            if (d.day != day) continue;
            const Substitute s = substituteOf(d, year_);
            if (s == Substitute::Never) continue;
            if (weekday == kSunday || together > 1 ||
                (s == Substitute::WeekendOrOverlap && weekday == kSaturday)) {
                anchors.push_back(d.blockEnd);
                weekendRule |= s == Substitute::WeekendOrOverlap;
            }
        }
        // Holidays on one day lose all but one of them, and a Sunday (or, for the rules that
        // count it, a Saturday) takes the last one too.
        const int lost =
            together - 1 + (weekday == kSunday ? 1 : 0) + (weekday == kSaturday && weekendRule ? 1 : 0);
        anchors.resize(std::min<size_t>(anchors.size(), static_cast<size_t>(std::max(lost, 0))));
        return anchors;
    }

    Holiday substituteAfter(int64_t anchor) {
        int64_t day = anchor + 1;
        while (weekdayOf(day) == kSunday || taken_.count(day)) ++day;
        taken_.insert(day);
        return {CalendarDate::fromDayNumber(day), "대체공휴일", HolidayKind::Substitute};
    }

    int year_;
    const std::vector<RuleDay>& days_;
    const std::multiset<int64_t>& official_;
    std::set<int64_t> taken_;  // public holidays and the substitutes placed so far
};

}  // namespace

bool koreanHolidays(int year, std::span<const DesignatedDay> designated, std::vector<Holiday>& out) {
    std::vector<RuleDay> days;
    const bool complete = ruleDays(year, days);
    std::vector<Holiday> result;
    for (const RuleDay& d : days)
        result.push_back({CalendarDate::fromDayNumber(d.day), kRules[d.rule].name, HolidayKind::Public});
    std::multiset<int64_t> official;
    for (const DesignatedDay& d : designated) {
        if (d.date.year != year) continue;
        result.push_back({d.date, d.name, HolidayKind::Designated});
        if (d.official) official.insert(d.date.dayNumber());
    }
    for (Holiday& h : SubstitutePlacer(year, days, official).place()) result.push_back(std::move(h));
    // By date; on one day the rules' holidays in table order, then substitutes, then the admin's.
    std::stable_sort(result.begin(), result.end(), [](const Holiday& a, const Holiday& b) {
        return a.date != b.date ? a.date < b.date : a.kind < b.kind;
    });
    out = std::move(result);
    return complete;
}

const std::string* HolidayYear::nameOn(const CalendarDate& d) const {
    const auto found = names.find(d.dayNumber());
    return found == names.end() ? nullptr : &found->second;
}

HolidayCalendar::HolidayCalendar(std::vector<DesignatedDay> designated)
    : designated_(std::move(designated)) {}

std::shared_ptr<const HolidayYear> HolidayCalendar::year(int y) const {
    const std::lock_guard lock(mutex_);
    std::shared_ptr<const HolidayYear>& kept = years_[y];
    if (kept) return kept;
    auto made = std::make_shared<HolidayYear>();
    made->year = y;
    made->lunarMissing = !koreanHolidays(y, designated_, made->days);
    for (const Holiday& h : made->days) {
        std::string& name = made->names[h.date.dayNumber()];
        name += name.empty() ? h.name : ", " + h.name;
    }
    kept = made;
    return kept;
}

std::string HolidayCalendar::nameOn(const CalendarDate& d) const {
    const std::string* name = year(d.year)->nameOn(d);
    return name ? *name : std::string();
}

}  // namespace orb
