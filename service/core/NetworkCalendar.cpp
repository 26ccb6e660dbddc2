#include "service/core/NetworkCalendar.h"

#include <map>
#include <memory>

#include "service/calendar/CalendarJson.h"
#include "service/calendar/PlanResolver.h"

namespace orb {

namespace {

using json = nlohmann::json;

ServiceResult invalid(const std::vector<std::string>& problems) {
    std::string message;
    for (const std::string& p : problems) message += (message.empty() ? "" : "; ") + p;
    return ServiceResult::fail(Outcome::Invalid, message);
}

// A store failure of a change: a program, sign or group removed meanwhile fails the foreign key.
ServiceResult changeResult(DbStatus s, const std::string& what) {
    if (s == DbStatus::Conflict)
        return ServiceResult::fail(Outcome::Invalid,
                                   what + ": a program, sign or group it names was just removed");
    return resultOf(s, what);
}

std::string entryWhat(EntryId id) {
    CalendarEntry e;
    e.id = id;
    return entryLabel(e);
}

// BODY laid over the stored form OLD: fields BODY holds replace OLD's.
json overlaid(json old, const json& body) {
    old.erase("id");
    if (!body.is_object()) return body;
    for (const auto& [key, value] : body.items()) old[key] = value;
    return old;
}

std::vector<std::string> parse(const json& body, const PlanLookup& lookup, BrightnessPlan& p) {
    return parseBrightnessPlan(body, lookup, p);
}
std::vector<std::string> parse(const json& body, const PlanLookup& lookup, OnOffPlan& p) {
    return parseOnOffPlan(body, lookup, p);
}
json stored(const BrightnessPlan& p) {
    return brightnessPlanJson(p);
}
json stored(const OnOffPlan& p) {
    return onOffPlanJson(p);
}

}  // namespace

const HolidayCalendar& NetworkCalendar::holidays() {
    static const HolidayCalendar calendar;
    return calendar;
}

ServiceResult NetworkCalendar::createEntry(const json& body, const Actor& actor, CalendarEntry& out) {
    CalendarEntry e;
    if (const auto problems = parseCalendarEntry(body, store_.calendar.lookup(), e); !problems.empty())
        return invalid(problems);
    if (const DbStatus s = store_.calendar.createEntry(e, actor); s != DbStatus::Ok)
        return changeResult(s, "the new entry");
    out = std::move(e);
    return {};
}

ServiceResult NetworkCalendar::changeEntry(EntryId id, const json& body, const Actor& actor,
                                           CalendarEntry& out) {
    CalendarEntry e;
    const std::string what = entryWhat(id);
    if (const DbStatus s = store_.calendar.getEntry(id, e); s != DbStatus::Ok) return resultOf(s, what);
    if (const auto problems =
            parseCalendarEntry(overlaid(calendarEntryJson(e), body), store_.calendar.lookup(), e);
        !problems.empty())
        return invalid(problems);
    if (const DbStatus s = store_.calendar.updateEntry(e, actor); s != DbStatus::Ok)
        return changeResult(s, what);
    out = std::move(e);
    return {};
}

ServiceResult NetworkCalendar::removeEntry(EntryId id, const Actor& actor) {
    return resultOf(store_.calendar.removeEntry(id, actor), entryWhat(id));
}

template <typename Plan>
ServiceResult NetworkCalendar::storePlan(int64_t id, const json& body, const Actor& actor, Plan& out) {
    Plan p;
    p.id = id;
    const std::string what = planLabel(p);
    json full = body;
    if (id) {
        if (const DbStatus s = store_.calendar.getPlan(id, p); s != DbStatus::Ok) return resultOf(s, what);
        full = overlaid(stored(p), body);
    }
    if (const auto problems = parse(full, store_.calendar.lookup(), p); !problems.empty())
        return invalid(problems);
    const DbStatus s = id ? store_.calendar.updatePlan(p, actor) : store_.calendar.createPlan(p, actor);
    if (s != DbStatus::Ok) return changeResult(s, what);
    out = std::move(p);
    return {};
}

ServiceResult NetworkCalendar::createPlan(const json& body, const Actor& actor, BrightnessPlan& out) {
    return storePlan(0, body, actor, out);
}

ServiceResult NetworkCalendar::createPlan(const json& body, const Actor& actor, OnOffPlan& out) {
    return storePlan(0, body, actor, out);
}

ServiceResult NetworkCalendar::changePlan(int64_t id, const json& body, const Actor& actor,
                                          BrightnessPlan& out) {
    if (id <= 0) return resultOf(DbStatus::NotFound, "brightness plan " + std::to_string(id));
    return storePlan(id, body, actor, out);
}

ServiceResult NetworkCalendar::changePlan(int64_t id, const json& body, const Actor& actor, OnOffPlan& out) {
    if (id <= 0) return resultOf(DbStatus::NotFound, "ON/OFF plan " + std::to_string(id));
    return storePlan(id, body, actor, out);
}

ServiceResult NetworkCalendar::removeBrightnessPlan(int64_t id, const Actor& actor) {
    return resultOf(store_.calendar.removePlan(id, "brightness", actor),
                    "brightness plan " + std::to_string(id));
}

ServiceResult NetworkCalendar::removeOnOffPlan(int64_t id, const Actor& actor) {
    return resultOf(store_.calendar.removePlan(id, "onoff", actor), "ON/OFF plan " + std::to_string(id));
}

ServiceResult NetworkCalendar::undo(int64_t audit, const Actor& actor, std::string& target) {
    const std::string row = "audit record " + std::to_string(audit);
    switch (const DbStatus s = store_.calendar.undo(audit, actor, target)) {
        case DbStatus::NotFound:
            return ServiceResult::fail(Outcome::NotFound, row + " records no change of the calendar");
        case DbStatus::Conflict:
            return ServiceResult::fail(
                Outcome::Conflict,
                target + " was changed after " + row + ", or what it names is gone: nothing was undone");
        default:
            return resultOf(s, row);
    }
}

ServiceResult NetworkCalendar::planOf(int64_t sign, const CalendarDate& from, const CalendarDate& to,
                                      std::vector<DayPlan>& out, bool withTakeovers) {
    if (to < from)
        return ServiceResult::fail(Outcome::Invalid,
                                   "to (" + to.text() + ") is before from (" + from.text() + ")");
    if (to.dayNumber() - from.dayNumber() >= kMaxPlanDays)
        return ServiceResult::fail(Outcome::Invalid, "from " + from.text() + " to " + to.text() +
                                                         " is more than " + std::to_string(kMaxPlanDays) +
                                                         " days");
    SignRecord record;
    if (const DbStatus s = store_.signs.get(sign, record); s != DbStatus::Ok)
        return resultOf(s, "sign " + std::to_string(sign));
    CalendarContents contents;
    if (const DbStatus s = store_.calendar.list(contents); s != DbStatus::Ok)
        return resultOf(s, "the calendar");
    const PlanSign planSign{record.id, record.groups, {}};
    const PlanLookup lookup = store_.calendar.lookup();
    std::vector<Takeover> takeovers;
    if (withTakeovers) {
        if (const DbStatus s = store_.takeovers.list(false, takeovers); s != DbStatus::Ok)
            return resultOf(s, "the takeovers");
    }
    out = resolvePlan(planSign, contents.entries, holidays(), {contents.brightness, contents.onOff}, from, to,
                      lookup.programExists, planTakeoversOf(sign, takeovers));
    return {};
}

ServiceResult NetworkCalendar::compiledOf(int64_t sign, const CalendarDate& date, CompiledDay& out) {
    std::vector<DayPlan> days;
    if (ServiceResult r = planOf(sign, date, date, days, false); !r.ok()) return r;
    SignRecord record;
    if (const DbStatus s = store_.signs.get(sign, record); s != DbStatus::Ok)
        return resultOf(s, "sign " + std::to_string(sign));
    std::map<ProgramId, std::unique_ptr<ItemStore>> stores;
    const ProgramSource source = [this, &stores](ProgramId id) -> const ItemStore* {
        auto [it, added] = stores.try_emplace(id);
        if (!added) return it->second.get();
        ProgramVersionRecord v;
        if (store_.programs.version(id, 0, v) != DbStatus::Ok || v.store.size() != ItemStore::kFileSize)
            return nullptr;
        auto store = std::make_unique<ItemStore>();
        if (store->writeAll(std::span<const uint8_t, ItemStore::kFileSize>(
                v.store.data(), ItemStore::kFileSize)) != IoResult::Ok)
            return nullptr;
        it->second = std::move(store);
        return it->second.get();
    };
    out = compileDay(days.at(0), source,
                     {static_cast<uint8_t>(record.width), static_cast<uint8_t>(record.height)});
    return {};
}

}  // namespace orb
