#include "service/calendar/CalendarJson.h"

#include <array>
#include <string_view>

namespace orb {

namespace {

using json = nlohmann::json;

constexpr std::array<std::string_view, 7> kWeekdayNames = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
constexpr std::array<std::string_view, 3> kHolidayRules = {"any", "only", "except"};
constexpr std::array<std::string_view, 10> kEntryFields = {
    "program", "signs", "groups", "from", "to", "weekdays", "holidays", "start", "end", "priority"};

// Reads the fields of an entry, reporting each problem as "LABEL: FIELD ...".
class EntryReader {
  public:
    EntryReader(const json& body, const std::string& label, std::vector<std::string>& problems)
        : body_(body), label_(label), problems_(problems) {}

    void read(CalendarEntry& e) {
        if (!body_.is_object()) return fail("", "must be an object");
        for (const auto& [key, value] : body_.items())
            if (std::find(kEntryFields.begin(), kEntryFields.end(), key) == kEntryFields.end())
                fail(key, "is not a field of an entry");
        if (const json* v = member("program", true)) e.program = integer(*v, "program").value_or(0);
        e.targets.signs.clear(), e.targets.groups.clear();
        if (const json* v = member("signs", false); v && array(*v, "signs"))
            for (const json& s : *v)
                if (const auto id = integer(s, "signs")) e.targets.signs.push_back(*id);
        if (const json* v = member("groups", false); v && array(*v, "groups")) {
            for (const json& g : *v) {
                if (g.is_string() && !g.get_ref<const std::string&>().empty())
                    e.targets.groups.push_back(g.get<std::string>());
                else
                    fail("groups", "must hold group names");
            }
        }
        e.from = date("from"), e.to = date("to");
        e.weekdays = weekdays();
        e.holidays = holidayRule();
        e.start = time("start"), e.end = time("end");
        e.priority = 0;
        if (const json* v = member("priority", false))
            e.priority = static_cast<int>(integer(*v, "priority", -1'000'000, 1'000'000).value_or(0));
    }

  private:
    void fail(std::string_view field, const std::string& what) {
        problems_.push_back(label_ + ": " + (field.empty() ? "the body" : std::string(field)) + " " + what);
    }

    // The member, or null when it is absent or null (an error when REQUIRED).
    const json* member(std::string_view key, bool required) {
        const auto found = body_.find(key);
        if (found != body_.end() && !found->is_null()) return &*found;
        if (required) fail(key, "is missing");
        return nullptr;
    }

    bool array(const json& v, std::string_view field) {
        if (v.is_array()) return true;
        fail(field, "must be an array");
        return false;
    }

    std::optional<int64_t> integer(const json& v, std::string_view field, int64_t low = 1,
                                   int64_t high = INT64_MAX) {
        if (v.is_number_integer()) {
            const int64_t n =
                v.is_number_unsigned() && v.get<uint64_t>() > INT64_MAX ? INT64_MAX : v.get<int64_t>();
            if (n >= low && n <= high) return n;
            fail(field, "is out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")");
            return std::nullopt;
        }
        fail(field, "must be a whole number");
        return std::nullopt;
    }

    std::optional<std::string> text(std::string_view field) {
        const json* v = member(field, false);
        if (!v) return std::nullopt;
        if (v->is_string()) return v->get<std::string>();
        fail(field, "must be a string or null");
        return std::nullopt;
    }

    std::optional<CalendarDate> date(std::string_view field) {
        const std::optional<std::string> t = text(field);
        if (!t) return std::nullopt;
        const std::optional<CalendarDate> d = parseCalendarDate(*t);
        if (!d) fail(field, "\"" + t->substr(0, 40) + "\" is not a date YYYY-MM-DD");
        return d;
    }

    std::optional<int> time(std::string_view field) {
        const std::optional<std::string> t = text(field);
        if (!t) return std::nullopt;
        const std::optional<int> m = parseMinuteOfDay(*t);
        if (!m) fail(field, "\"" + t->substr(0, 40) + "\" is not a time of day HH:MM (00:00 to 23:59)");
        return m;
    }

    uint8_t weekdays() {
        const json* v = member("weekdays", false);
        if (!v) return kEveryDay;
        if (!array(*v, "weekdays")) return kEveryDay;
        uint8_t bits = 0;
        for (const json& d : *v) {
            const auto found = d.is_string() ? std::find(kWeekdayNames.begin(), kWeekdayNames.end(),
                                                         d.get_ref<const std::string&>())
                                             : kWeekdayNames.end();
            if (found == kWeekdayNames.end()) {
                fail("weekdays", "must hold \"mon\" ... \"sun\"");
                return kEveryDay;
            }
            bits |= weekdayBit(static_cast<int>(found - kWeekdayNames.begin()));
        }
        return bits;
    }

    HolidayRule holidayRule() {
        const std::optional<std::string> t = text("holidays");
        if (!t) return HolidayRule::Any;
        const auto found = std::find(kHolidayRules.begin(), kHolidayRules.end(), *t);
        if (found != kHolidayRules.end()) return static_cast<HolidayRule>(found - kHolidayRules.begin());
        fail("holidays", "must be \"any\", \"only\" or \"except\"");
        return HolidayRule::Any;
    }

    const json& body_;
    const std::string& label_;
    std::vector<std::string>& problems_;
};

json optionalText(const std::optional<std::string>& s) {
    return s ? json(*s) : json(nullptr);
}

json spanJson(const MinuteSpan& s) {
    return {{"start", minuteText(s.start)}, {"end", minuteText(s.end)}};
}

// Periods as the API gives them: neighbours with the same program joined.
json periodsJson(const std::vector<PlanPeriod>& periods) {
    json out = json::array();
    for (const PlanPeriod& p : periods) {
        const json program = p.program ? json(*p.program) : json(nullptr);
        if (!out.empty() && out.back()["program"] == program) {
            out.back()["end"] = minuteText(p.span.end);
            continue;
        }
        json j = spanJson(p.span);
        j["program"] = program;
        out.push_back(std::move(j));
    }
    return out;
}

json dayJson(const DayPlan& d) {
    json conflicts = json::array(), dark = json::array(), brightness = json::array();
    for (const PlanConflict& c : d.conflicts) {
        json j = spanJson(c.span);
        j["winner"] = c.winner, j["overridden"] = c.overridden;
        conflicts.push_back(std::move(j));
    }
    for (const MinuteSpan& s : d.dark) dark.push_back(spanJson(s));
    for (const LevelSpan& l : d.brightness) {
        json j = spanJson(l.span);
        j["level"] = l.level;
        brightness.push_back(std::move(j));
    }
    const json onOff = d.onOff.enabled
                           ? json{{"on", minuteText(d.onOff.on)}, {"off", minuteText(d.onOff.off)}}
                           : json(nullptr);
    return {{"date", d.date.text()},
            {"holiday", d.holiday.empty() ? json(nullptr) : json(d.holiday)},
            {"periods", periodsJson(d.periods)},
            {"conflicts", conflicts},
            {"onOff", onOff},
            {"dark", dark},
            {"brightness", brightness},
            {"problems", d.problems}};
}

}  // namespace

std::vector<std::string> parseCalendarEntry(const json& body, const PlanLookup& lookup, CalendarEntry& out) {
    std::vector<std::string> problems;
    CalendarEntry e = out;
    const std::string label = entryLabel(e);
    EntryReader(body, label, problems).read(e);
    if (!problems.empty()) return problems;
    problems = validateEntry(e, lookup);
    if (problems.empty()) out = std::move(e);
    return problems;
}

json calendarEntryJson(const CalendarEntry& e) {
    json weekdays = json::array();
    for (int d = 0; d < 7; ++d)
        if (e.weekdays & weekdayBit(d)) weekdays.push_back(kWeekdayNames[static_cast<size_t>(d)]);
    const auto dateText = [](const std::optional<CalendarDate>& d) {
        return d ? std::optional<std::string>(d->text()) : std::nullopt;
    };
    const auto timeText = [](const std::optional<int>& t) {
        return t ? std::optional<std::string>(minuteText(*t)) : std::nullopt;
    };
    return {{"id", e.id},
            {"program", e.program},
            {"signs", e.targets.signs},
            {"groups", e.targets.groups},
            {"from", optionalText(dateText(e.from))},
            {"to", optionalText(dateText(e.to))},
            {"weekdays", weekdays},
            {"holidays", kHolidayRules[static_cast<size_t>(e.holidays)]},
            {"start", optionalText(timeText(e.start))},
            {"end", optionalText(timeText(e.end))},
            {"priority", e.priority}};
}

json planJson(std::span<const DayPlan> days) {
    json out = json::array();
    for (const DayPlan& d : days) out.push_back(dayJson(d));
    return {{"days", out}};
}

json holidaysJson(const HolidayYear& year) {
    json out = json::array();
    for (const Holiday& h : year.days) out.push_back({{"date", h.date.text()}, {"name", h.name}});
    return out;
}

json compiledDayJson(const CompiledDay& day) {
    json pushes = json::array();
    for (const PeriodProgram& p : day.periods) {
        json j = spanJson(p.span);
        j["program"] = p.program;
        pushes.push_back(std::move(j));
    }
    return {{"date", day.date.text()},
            {"items", day.items.size()},
            {"sectors", day.sectors},
            {"fallback", day.fallback},
            {"message", day.message.empty() ? json(nullptr) : json(day.message)},
            {"pushes", pushes},
            {"problems", day.problems}};
}

}  // namespace orb
