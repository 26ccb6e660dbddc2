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

// Reads the fields of one JSON object, reporting each problem as "LABEL: FIELD ...". The object
// must hold only the fields in KNOWN, those of NOUN ("an entry").
class FieldReader {
  public:
    FieldReader(const json& body, std::string label, std::span<const std::string_view> known,
                std::string_view noun, std::vector<std::string>& problems)
        : body_(body), label_(std::move(label)), problems_(problems) {
        if (!body_.is_object()) {
            fail("", "must be an object");
            return;
        }
        for (const auto& [key, value] : body_.items())
            if (std::find(known.begin(), known.end(), key) == known.end())
                fail(key, "is not a field of " + std::string(noun));
    }

    bool usable() const { return body_.is_object(); }

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

    void targets(PlanTargets& t) {
        t.signs.clear(), t.groups.clear();
        if (const json* v = member("signs", false); v && array(*v, "signs"))
            for (const json& s : *v)
                if (const auto id = integer(s, "signs")) t.signs.push_back(*id);
        if (const json* v = member("groups", false); v && array(*v, "groups")) {
            for (const json& g : *v) {
                if (g.is_string() && !g.get_ref<const std::string&>().empty())
                    t.groups.push_back(g.get<std::string>());
                else
                    fail("groups", "must hold group names");
            }
        }
    }

  private:
    const json& body_;
    std::string label_;
    std::vector<std::string>& problems_;
};

void readEntry(FieldReader& r, CalendarEntry& e) {
    if (!r.usable()) return;
    if (const json* v = r.member("program", true)) e.program = r.integer(*v, "program").value_or(0);
    r.targets(e.targets);
    e.from = r.date("from"), e.to = r.date("to");
    e.weekdays = r.weekdays();
    e.holidays = r.holidayRule();
    e.start = r.time("start"), e.end = r.time("end");
    e.priority = 0;
    if (const json* v = r.member("priority", false))
        e.priority = static_cast<int>(r.integer(*v, "priority", -1'000'000, 1'000'000).value_or(0));
}

// A step: {"at": "HH:MM" | "sunrise" | "sunset", "offset": MINUTES (sun steps), "level": 1..10}.
BrightnessStep readStep(FieldReader& r) {
    BrightnessStep step;
    if (!r.usable()) return step;
    if (const json* v = r.member("level", true))
        step.level = static_cast<int>(r.integer(*v, "level", 1, 10).value_or(10));
    const std::optional<std::string> at = r.text("at");
    if (!at) {
        r.fail("at", "is missing");
        return step;
    }
    if (*at == "sunrise" || *at == "sunset") {
        step.anchor = *at == "sunrise" ? TimeAnchor::Sunrise : TimeAnchor::Sunset;
        if (const json* v = r.member("offset", false))
            step.minutes = static_cast<int>(r.integer(*v, "offset", -720, 720).value_or(0));
        return step;
    }
    if (r.member("offset", false)) r.fail("offset", "goes only with \"sunrise\" or \"sunset\"");
    if (const std::optional<int> m = parseMinuteOfDay(*at))
        step.minutes = *m;
    else
        r.fail("at", "\"" + at->substr(0, 40) +
                         "\" is not \"sunrise\", \"sunset\" or a time HH:MM (00:00 to 23:59)");
    return step;
}

// A rule: {"from", "to", "weekdays", "holidays", "on": "HH:MM", "off": "HH:MM"}; without on and
// off the sign stays on all day.
OnOffRule readRule(FieldReader& r) {
    OnOffRule rule;
    if (!r.usable()) return rule;
    rule.from = r.date("from"), rule.to = r.date("to");
    rule.weekdays = r.weekdays();
    rule.holidays = r.holidayRule();
    const bool hasOn = r.member("on", false) != nullptr, hasOff = r.member("off", false) != nullptr;
    rule.switching = hasOn || hasOff;
    if (hasOn != hasOff) r.fail(hasOn ? "off" : "on", "is missing (give both, or neither for on all day)");
    rule.on = r.time("on").value_or(0), rule.off = r.time("off").value_or(0);
    return rule;
}

// The list under FIELD, each element read by READ with the label "LABEL: FIELD N".
template <typename T, typename Read>
std::vector<T> readList(FieldReader& r, std::string_view field, const std::string& label,
                        std::span<const std::string_view> known, std::vector<std::string>& problems,
                        Read read) {
    std::vector<T> out;
    const json* v = r.usable() ? r.member(field, false) : nullptr;
    if (!v || !r.array(*v, field)) return out;
    for (size_t i = 0; i < v->size(); ++i) {
        const std::string place =
            std::string(field.substr(0, field.size() - 1)) + " " + std::to_string(i + 1);
        FieldReader item((*v)[i], label + ": " + place, known, "a " + place.substr(0, place.find(' ')),
                         problems);
        out.push_back(read(item));
    }
    return out;
}

constexpr std::array<std::string_view, 3> kPlanFields = {"signs", "groups", "steps"};
constexpr std::array<std::string_view, 3> kStepFields = {"at", "offset", "level"};
constexpr std::array<std::string_view, 3> kOnOffFields = {"signs", "groups", "rules"};
constexpr std::array<std::string_view, 6> kRuleFields = {"from", "to", "weekdays", "holidays", "on", "off"};

json dateJson(const std::optional<CalendarDate>& d) {
    return d ? json(d->text()) : json(nullptr);
}

json timeJson(const std::optional<int>& minute) {
    return minute ? json(minuteText(*minute)) : json(nullptr);
}

json weekdaysJson(uint8_t bits) {
    json out = json::array();
    for (int d = 0; d < 7; ++d)
        if (bits & weekdayBit(d)) out.push_back(kWeekdayNames[static_cast<size_t>(d)]);
    return out;
}

json spanJson(const MinuteSpan& s) {
    return {{"start", minuteText(s.start)}, {"end", minuteText(s.end)}};
}

// Periods as the API gives them: neighbours with the same program joined.
json periodsJson(const std::vector<PlanPeriod>& periods) {
    json out = json::array();
    for (const PlanPeriod& p : periods) {
        const json program = p.program ? json(*p.program) : json(nullptr);
        const json takeover = p.takeover ? json(p.takeover) : json(nullptr);
        if (!out.empty() && out.back()["program"] == program &&
            out.back().value("takeover", json()) == takeover) {
            out.back()["end"] = minuteText(p.span.end);
            continue;
        }
        json j = spanJson(p.span);
        j["program"] = program;
        if (p.takeover) j["takeover"] = p.takeover;
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
    FieldReader reader(body, entryLabel(e), kEntryFields, "an entry", problems);
    readEntry(reader, e);
    if (!problems.empty()) return problems;
    problems = validateEntry(e, lookup);
    if (problems.empty()) out = std::move(e);
    return problems;
}

namespace {

// A plan's form: its name in messages, its fields, and its list of steps or rules.
template <typename Plan, typename Item>
struct PlanForm {
    const char* what;
    std::span<const std::string_view> fields;
    std::string_view listField;
    std::span<const std::string_view> itemFields;
    Item (*read)(FieldReader&);
    std::vector<Item> Plan::*list;
};

template <typename Plan, typename Item>
std::vector<std::string> parsePlan(const json& body, const PlanLookup& lookup,
                                   const PlanForm<Plan, Item>& form, Plan& out) {
    std::vector<std::string> problems;
    Plan plan = out;
    const std::string label = planLabel(plan);
    FieldReader reader(body, label, form.fields, form.what, problems);
    if (reader.usable()) {
        reader.targets(plan.targets);
        if (!reader.member(form.listField, true)) return problems;
        plan.*form.list = readList<Item>(reader, form.listField, label, form.itemFields, problems, form.read);
    }
    if (!problems.empty()) return problems;
    problems = validatePlan(plan);
    const std::vector<std::string> more = checkTargets(plan.targets, lookup, label + ": ");
    problems.insert(problems.end(), more.begin(), more.end());
    if (problems.empty()) out = std::move(plan);
    return problems;
}

}  // namespace

std::vector<std::string> parseBrightnessPlan(const json& body, const PlanLookup& lookup,
                                             BrightnessPlan& out) {
    static const PlanForm<BrightnessPlan, BrightnessStep> form{
        "a brightness plan", kPlanFields, "steps", kStepFields, readStep, &BrightnessPlan::steps};
    return parsePlan(body, lookup, form, out);
}

std::vector<std::string> parseOnOffPlan(const json& body, const PlanLookup& lookup, OnOffPlan& out) {
    static const PlanForm<OnOffPlan, OnOffRule> form{"an ON/OFF plan", kOnOffFields, "rules",
                                                     kRuleFields,      readRule,     &OnOffPlan::rules};
    return parsePlan(body, lookup, form, out);
}

namespace {

// The elements of DOC's list FIELD, each read by PARSE with its id.
template <typename Item, typename Parse>
void readFileList(const json& doc, const char* field, std::vector<Item>& out,
                  std::vector<std::string>& problems, Parse parse) {
    const auto list = doc.find(field);
    if (list == doc.end()) return;
    if (!list->is_array()) {
        problems.push_back(std::string(field) + " must be an array");
        return;
    }
    for (size_t i = 0; i < list->size(); ++i) {
        json body = (*list)[i];
        Item item;
        item.id = static_cast<int64_t>(i + 1);
        if (body.is_object() && body.contains("id")) {
            if (!body["id"].is_number_integer() || body["id"].get<int64_t>() < 1) {
                problems.push_back(std::string(field) + " " + std::to_string(i + 1) +
                                   ": id must be a whole number from 1");
                continue;
            }
            item.id = body["id"].get<int64_t>();
            body.erase("id");
        }
        item.created = item.id;
        const std::vector<std::string> more = parse(body, item);
        problems.insert(problems.end(), more.begin(), more.end());
        if (more.empty()) out.push_back(std::move(item));
    }
}

}  // namespace

std::vector<std::string> parseCalendarFile(const json& doc, CalendarFile& out) {
    std::vector<std::string> problems;
    out = {};
    if (!doc.is_object()) return {"the calendar must be an object {\"entries\", \"brightness\", \"onoff\"}"};
    for (const auto& [key, value] : doc.items())
        if (key != "entries" && key != "brightness" && key != "onoff")
            problems.push_back(key + " is not a part of a calendar");
    readFileList(doc, "entries", out.entries, problems,
                 [](const json& b, CalendarEntry& e) { return parseCalendarEntry(b, {}, e); });
    readFileList(doc, "brightness", out.brightness, problems,
                 [](const json& b, BrightnessPlan& p) { return parseBrightnessPlan(b, {}, p); });
    readFileList(doc, "onoff", out.onOff, problems,
                 [](const json& b, OnOffPlan& p) { return parseOnOffPlan(b, {}, p); });
    return problems;
}

json calendarEntryJson(const CalendarEntry& e) {
    return {{"id", e.id},
            {"program", e.program},
            {"signs", e.targets.signs},
            {"groups", e.targets.groups},
            {"from", dateJson(e.from)},
            {"to", dateJson(e.to)},
            {"weekdays", weekdaysJson(e.weekdays)},
            {"holidays", kHolidayRules[static_cast<size_t>(e.holidays)]},
            {"start", timeJson(e.start)},
            {"end", timeJson(e.end)},
            {"priority", e.priority}};
}

json brightnessPlanJson(const BrightnessPlan& p) {
    json steps = json::array();
    for (const BrightnessStep& s : p.steps) {
        if (s.anchor == TimeAnchor::Clock)
            steps.push_back({{"at", minuteText(s.minutes)}, {"level", s.level}});
        else
            steps.push_back({{"at", s.anchor == TimeAnchor::Sunrise ? "sunrise" : "sunset"},
                             {"offset", s.minutes},
                             {"level", s.level}});
    }
    return {{"id", p.id}, {"signs", p.targets.signs}, {"groups", p.targets.groups}, {"steps", steps}};
}

json onOffPlanJson(const OnOffPlan& p) {
    json rules = json::array();
    for (const OnOffRule& r : p.rules) {
        json j = {{"from", dateJson(r.from)},
                  {"to", dateJson(r.to)},
                  {"weekdays", weekdaysJson(r.weekdays)},
                  {"holidays", kHolidayRules[static_cast<size_t>(r.holidays)]}};
        j["on"] = r.switching ? timeJson(r.on) : json(nullptr);
        j["off"] = r.switching ? timeJson(r.off) : json(nullptr);
        rules.push_back(std::move(j));
    }
    return {{"id", p.id}, {"signs", p.targets.signs}, {"groups", p.targets.groups}, {"rules", rules}};
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
