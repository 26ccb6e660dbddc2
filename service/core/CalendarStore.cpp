#include "service/core/CalendarStore.h"

#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <type_traits>

#include "service/calendar/CalendarJson.h"

namespace orb {

namespace {

using json = nlohmann::json;

constexpr const char* kHolidayRuleNames[] = {"any", "only", "except"};

std::string entryTarget(EntryId id) {
    return "calendar entry " + std::to_string(id);
}

std::string planTarget(const char* kind, int64_t id) {
    return std::string(kind) + " plan " + std::to_string(id);
}

DbStatus notFoundWhenNone(Database& db, DbStatus s) {
    return s == DbStatus::Ok && db.changes() == 0 ? DbStatus::NotFound : s;
}

// The row's JSON as the API gives it, for the audit row.
json withoutId(json j) {
    j.erase("id");
    return j;
}

std::string changeDetail(const json& before, const json& after) {
    return json{{"before", before}, {"after", after}}.dump();
}

// The group ids of NAMES; NotFound when one is missing. The caller holds the mutex.
DbStatus groupIds(Database& db, const std::vector<std::string>& names, std::vector<int64_t>& ids) {
    ids.clear();
    for (const std::string& name : names) {
        Statement find = db.prepare("SELECT id FROM groups WHERE name = ?").bindAll(name);
        if (!find.step()) return find.status() == DbStatus::Ok ? DbStatus::NotFound : find.status();
        ids.push_back(find.integer(0));
    }
    return DbStatus::Ok;
}

// Replaces the targets of the entry or plan (COLUMN "entry_id" or "plan_id") ID.
DbStatus writeTargets(Database& db, const char* column, int64_t id, const PlanTargets& t) {
    std::vector<int64_t> groups;
    if (const DbStatus s = groupIds(db, t.groups, groups); s != DbStatus::Ok)
        return s == DbStatus::NotFound ? DbStatus::Conflict : s;
    const std::string c(column);
    DbStatus s = db.prepare("DELETE FROM calendar_targets WHERE " + c + " = ?").bindAll(id).run();
    for (int64_t sign : t.signs) {
        if (s != DbStatus::Ok) return s;
        s = db.prepare("INSERT INTO calendar_targets (" + c + ", sign_id) VALUES (?, ?)")
                .bindAll(id, sign)
                .run();
    }
    for (int64_t group : groups) {
        if (s != DbStatus::Ok) return s;
        s = db.prepare("INSERT INTO calendar_targets (" + c + ", group_id) VALUES (?, ?)")
                .bindAll(id, group)
                .run();
    }
    return s;
}

// The targets of every entry or plan (COLUMN "entry_id" or "plan_id"), by its id. The caller
// holds the mutex.
DbStatus readTargets(Database& db, const char* column, std::map<int64_t, PlanTargets>& out) {
    const std::string c(column);
    Statement st =
        db.prepare("SELECT t." + c + ", t.sign_id, g.name FROM calendar_targets t" +
                   " LEFT JOIN groups g ON g.id = t.group_id WHERE t." + c + " IS NOT NULL ORDER BY t.rowid");
    while (st.step()) {
        PlanTargets& t = out[st.integer(0)];
        if (!st.isNull(1))
            t.signs.push_back(st.integer(1));
        else
            t.groups.push_back(st.text(2));
    }
    return st.status();
}

std::optional<CalendarDate> dateColumn(const Statement& st, int col) {
    const std::optional<std::string> t = st.optionalText(col);
    return t ? parseCalendarDate(*t) : std::nullopt;
}

std::optional<int> minuteColumn(const Statement& st, int col) {
    const std::optional<int64_t> m = st.optionalInteger(col);
    return m ? std::optional<int>(static_cast<int>(*m)) : std::nullopt;
}

HolidayRule holidayRuleOf(const std::string& text) {
    for (int i = 0; i < 3; ++i)
        if (text == kHolidayRuleNames[i]) return static_cast<HolidayRule>(i);
    return HolidayRule::Any;
}

// The entries, ID alone when it is not 0. The caller holds the mutex.
DbStatus readEntries(Database& db, EntryId only, std::vector<CalendarEntry>& out) {
    std::map<int64_t, PlanTargets> targets;
    if (const DbStatus s = readTargets(db, "entry_id", targets); s != DbStatus::Ok) return s;
    Statement st = db.prepare(
                         "SELECT id, program_id, from_date, to_date, weekdays, holidays, start_minute,"
                         " end_minute, priority FROM calendar_entries WHERE ?1 = 0 OR id = ?1 ORDER BY id")
                       .bindAll(only);
    while (st.step()) {
        CalendarEntry e;
        e.id = st.integer(0);
        e.program = st.integer(1);
        e.from = dateColumn(st, 2), e.to = dateColumn(st, 3);
        e.weekdays = static_cast<uint8_t>(st.integer(4));
        e.holidays = holidayRuleOf(st.text(5));
        e.start = minuteColumn(st, 6), e.end = minuteColumn(st, 7);
        e.priority = static_cast<int>(st.integer(8));
        e.created = e.id;  // ids grow and are never reused
        e.targets = targets[e.id];
        out.push_back(std::move(e));
    }
    return st.status();
}

std::vector<std::string> parsePlan(const json& body, BrightnessPlan& p) {
    return parseBrightnessPlan(body, {}, p);
}
std::vector<std::string> parsePlan(const json& body, OnOffPlan& p) {
    return parseOnOffPlan(body, {}, p);
}
json planJson(const BrightnessPlan& p) {
    return brightnessPlanJson(p);
}
json planJson(const OnOffPlan& p) {
    return onOffPlanJson(p);
}
const char* planKind(const BrightnessPlan&) {
    return "brightness";
}
const char* planKind(const OnOffPlan&) {
    return "onoff";
}

// The plans of PLAN's kind, ID alone when it is not 0. The caller holds the mutex.
template <typename Plan>
DbStatus readPlans(Database& db, int64_t only, std::vector<Plan>& out) {
    std::map<int64_t, PlanTargets> targets;
    if (const DbStatus s = readTargets(db, "plan_id", targets); s != DbStatus::Ok) return s;
    Statement st = db.prepare(
                         "SELECT id, body FROM calendar_plans WHERE kind = ?1 AND (?2 = 0 OR id = ?2)"
                         " ORDER BY id")
                       .bindAll(planKind(Plan{}), only);
    while (st.step()) {
        Plan p;
        p.id = p.created = st.integer(0);
        json body = json::parse(st.text(1), nullptr, false);
        if (!body.is_object()) return DbStatus::Failed;
        const PlanTargets& t = targets[p.id];
        body["signs"] = t.signs, body["groups"] = t.groups;
        if (!parsePlan(body, p).empty()) return DbStatus::Failed;
        out.push_back(std::move(p));
    }
    return st.status();
}

template <typename Item>
DbStatus single(DbStatus s, std::vector<Item>& found, Item& out) {
    if (s != DbStatus::Ok) return s;
    if (found.empty()) return DbStatus::NotFound;
    out = std::move(found.front());
    return DbStatus::Ok;
}

DbStatus writeEntryRow(Database& db, const CalendarEntry& e, const Actor& actor, bool create) {
    const auto date = [](const std::optional<CalendarDate>& d) {
        return d ? std::optional<std::string>(d->text()) : std::nullopt;
    };
    Statement st =
        db.prepare(create ? "INSERT INTO calendar_entries (program_id, from_date, to_date, weekdays,"
                            " holidays, start_minute, end_minute, priority, created, changed, id)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?9, ?10)"
                          : "UPDATE calendar_entries SET program_id = ?1, from_date = ?2, to_date = ?3,"
                            " weekdays = ?4, holidays = ?5, start_minute = ?6, end_minute = ?7,"
                            " priority = ?8, changed = ?9 WHERE id = ?10");
    st.bindAll(e.program, date(e.from), date(e.to), static_cast<int>(e.weekdays),
               kHolidayRuleNames[static_cast<int>(e.holidays)], e.start, e.end, e.priority, actor.time);
    st.bind(10, e.id ? std::optional(e.id) : std::nullopt);  // a new entry's own id when it has one
    return st.run();
}

// Writes plan P's row and targets: a new row (under P's id when it has one) or a change of it.
template <typename Plan>
DbStatus writePlanRow(Database& db, const Plan& p, const char* kind, bool create, const Actor& actor,
                      int64_t& id) {
    json body = withoutId(planJson(p));
    body.erase("signs"), body.erase("groups");
    DbStatus s = DbStatus::Ok;
    if (create) {
        s = db.prepare(
                  "INSERT INTO calendar_plans (kind, body, created, changed, id) VALUES (?1, ?2, ?3, ?3, ?4)")
                .bindAll(kind, body.dump(), actor.time, p.id ? std::optional(p.id) : std::nullopt)
                .run();
        id = db.lastInsertId();
    } else {
        id = p.id;
        s = db.prepare("UPDATE calendar_plans SET body = ?, changed = ? WHERE id = ?")
                .bindAll(body.dump(), actor.time, id)
                .run();
    }
    if (s != DbStatus::Ok) return s;
    return writeTargets(db, "plan_id", id, p.targets);
}

// The stored form of the entry or plan ID, null when there is none.
template <typename Item>
DbStatus currentJson(Database& db, int64_t id, json& out) {
    std::vector<Item> found;
    DbStatus s = DbStatus::Ok;
    if constexpr (std::is_same_v<Item, CalendarEntry>)
        s = readEntries(db, id, found);
    else
        s = readPlans(db, id, found);
    if (s != DbStatus::Ok) return s;
    if constexpr (std::is_same_v<Item, CalendarEntry>)
        out = found.empty() ? json(nullptr) : withoutId(calendarEntryJson(found.front()));
    else
        out = found.empty() ? json(nullptr) : withoutId(planJson(found.front()));
    return DbStatus::Ok;
}

// Writes FORM (a stored form, or null: none) as the entry or plan ID, whatever is there now.
template <typename Item>
DbStatus writeBack(Database& db, int64_t id, const json& form, bool exists, const Actor& actor) {
    const char* table = std::is_same_v<Item, CalendarEntry> ? "calendar_entries" : "calendar_plans";
    if (form.is_null())
        return db.prepare("DELETE FROM " + std::string(table) + " WHERE id = ?").bindAll(id).run();
    Item item;
    item.id = id;
    if constexpr (std::is_same_v<Item, CalendarEntry>) {
        if (!parseCalendarEntry(form, {}, item).empty()) return DbStatus::Failed;
        DbStatus s = writeEntryRow(db, item, actor, !exists);
        return s == DbStatus::Ok ? writeTargets(db, "entry_id", id, item.targets) : s;
    } else {
        if (!parsePlan(form, item).empty()) return DbStatus::Failed;
        int64_t written = 0;
        return writePlanRow(db, item, planKind(item), !exists, actor, written);
    }
}

}  // namespace

DbStatus CalendarStore::list(CalendarContents& out) {
    std::lock_guard lock(db_.mutex());
    out = {};
    DbStatus s = readEntries(db_, 0, out.entries);
    if (s == DbStatus::Ok) s = readPlans(db_, 0, out.brightness);
    if (s == DbStatus::Ok) s = readPlans(db_, 0, out.onOff);
    return s;
}

DbStatus CalendarStore::getEntry(EntryId id, CalendarEntry& out) {
    std::lock_guard lock(db_.mutex());
    std::vector<CalendarEntry> found;
    return id > 0 ? single(readEntries(db_, id, found), found, out) : DbStatus::NotFound;
}

DbStatus CalendarStore::getPlan(int64_t id, BrightnessPlan& out) {
    std::lock_guard lock(db_.mutex());
    std::vector<BrightnessPlan> found;
    return id > 0 ? single(readPlans(db_, id, found), found, out) : DbStatus::NotFound;
}

DbStatus CalendarStore::getPlan(int64_t id, OnOffPlan& out) {
    std::lock_guard lock(db_.mutex());
    std::vector<OnOffPlan> found;
    return id > 0 ? single(readPlans(db_, id, found), found, out) : DbStatus::NotFound;
}

DbStatus CalendarStore::createEntry(CalendarEntry& e, const Actor& actor) {
    CalendarEntry stored = e;
    const DbStatus result = inTransaction(db_, [&] {
        DbStatus s = writeEntryRow(db_, stored, actor, true);
        if (s != DbStatus::Ok) return s;
        stored.id = stored.created = db_.lastInsertId();
        if ((s = writeTargets(db_, "entry_id", stored.id, stored.targets)) != DbStatus::Ok) return s;
        return AuditLog::append(db_,
                                actor.audit("calendar.create", entryTarget(stored.id), "ok",
                                            changeDetail(nullptr, withoutId(calendarEntryJson(stored)))));
    });
    if (result == DbStatus::Ok) e = std::move(stored);
    return result;
}

DbStatus CalendarStore::updateEntry(const CalendarEntry& e, const Actor& actor) {
    return inTransaction(db_, [&] {
        std::vector<CalendarEntry> old;
        DbStatus s = readEntries(db_, e.id, old);
        if (s != DbStatus::Ok) return s;
        if (old.empty() || e.id <= 0) return DbStatus::NotFound;
        if ((s = writeEntryRow(db_, e, actor, false)) != DbStatus::Ok) return s;
        if ((s = writeTargets(db_, "entry_id", e.id, e.targets)) != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("calendar.update", entryTarget(e.id), "ok",
                                                 changeDetail(withoutId(calendarEntryJson(old.front())),
                                                              withoutId(calendarEntryJson(e)))));
    });
}

DbStatus CalendarStore::removeEntry(EntryId id, const Actor& actor) {
    return inTransaction(db_, [&] {
        std::vector<CalendarEntry> old;
        DbStatus s = readEntries(db_, id, old);
        if (s != DbStatus::Ok) return s;
        if (old.empty() || id <= 0) return DbStatus::NotFound;
        s = notFoundWhenNone(db_, db_.prepare("DELETE FROM calendar_entries WHERE id = ?").bindAll(id).run());
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(
            db_, actor.audit("calendar.delete", entryTarget(id), "ok",
                             changeDetail(withoutId(calendarEntryJson(old.front())), nullptr)));
    });
}

template <typename Plan>
DbStatus CalendarStore::writePlan(Plan& p, const char* kind, bool create, const Actor& actor) {
    Plan stored = p;
    if (create) stored.id = 0;
    const DbStatus result = inTransaction(db_, [&] {
        json before;
        DbStatus s = create ? DbStatus::Ok : currentJson<Plan>(db_, stored.id, before);
        if (s != DbStatus::Ok) return s;
        if (!create && (before.is_null() || stored.id <= 0)) return DbStatus::NotFound;
        if ((s = writePlanRow(db_, stored, kind, create, actor, stored.id)) != DbStatus::Ok) return s;
        stored.created = stored.id;
        return AuditLog::append(
            db_, actor.audit(std::string("calendar.") + kind + (create ? ".create" : ".update"),
                             planTarget(kind, stored.id), "ok",
                             changeDetail(before, withoutId(planJson(stored)))));
    });
    if (result == DbStatus::Ok) p = std::move(stored);
    return result;
}

DbStatus CalendarStore::createPlan(BrightnessPlan& p, const Actor& actor) {
    return writePlan(p, "brightness", true, actor);
}

DbStatus CalendarStore::createPlan(OnOffPlan& p, const Actor& actor) {
    return writePlan(p, "onoff", true, actor);
}

DbStatus CalendarStore::updatePlan(const BrightnessPlan& p, const Actor& actor) {
    BrightnessPlan copy = p;
    return writePlan(copy, "brightness", false, actor);
}

DbStatus CalendarStore::updatePlan(const OnOffPlan& p, const Actor& actor) {
    OnOffPlan copy = p;
    return writePlan(copy, "onoff", false, actor);
}

DbStatus CalendarStore::removePlan(int64_t id, const char* kind, const Actor& actor) {
    return inTransaction(db_, [&] {
        json before;
        DbStatus s = std::string(kind) == "brightness" ? currentJson<BrightnessPlan>(db_, id, before)
                                                       : currentJson<OnOffPlan>(db_, id, before);
        if (s != DbStatus::Ok) return s;
        if (before.is_null() || id <= 0) return DbStatus::NotFound;
        if ((s = db_.prepare("DELETE FROM calendar_plans WHERE id = ?").bindAll(id).run()) != DbStatus::Ok)
            return s;
        return AuditLog::append(db_, actor.audit(std::string("calendar.") + kind + ".delete",
                                                 planTarget(kind, id), "ok", changeDetail(before, nullptr)));
    });
}

template <typename Item>
DbStatus CalendarStore::undoChange(int64_t audit, int64_t id, const json& detail, const std::string& target,
                                   const Actor& actor) {
    json now;
    if (const DbStatus s = currentJson<Item>(db_, id, now); s != DbStatus::Ok) return s;
    if (now != detail["after"]) return DbStatus::Conflict;
    const json& before = detail["before"];
    if (const DbStatus s = writeBack<Item>(db_, id, before, !now.is_null(), actor); s != DbStatus::Ok)
        return s;
    const json record = {{"undoes", audit}, {"before", now}, {"after", before}};
    return AuditLog::append(db_, actor.audit("calendar.undo", target, "ok", record.dump()));
}

DbStatus CalendarStore::undo(int64_t audit, const Actor& actor, std::string& target) {
    return inTransaction(db_, [&] {
        Statement row = db_.prepare("SELECT action, target, detail FROM audit WHERE id = ?").bindAll(audit);
        if (!row.step()) return row.status() == DbStatus::Ok ? DbStatus::NotFound : row.status();
        target = row.text(1);
        const json detail = json::parse(row.text(2), nullptr, false);
        if (!row.text(0).starts_with("calendar.") || !detail.is_object() || !detail.contains("before") ||
            !detail.contains("after"))
            return DbStatus::NotFound;
        const size_t space = target.rfind(' ');
        const int64_t id = space == std::string::npos ? 0 : std::atoll(target.c_str() + space + 1);
        const std::string kind = target.substr(0, space == std::string::npos ? 0 : space);
        if (id <= 0) return DbStatus::NotFound;
        if (kind == "calendar entry") return undoChange<CalendarEntry>(audit, id, detail, target, actor);
        if (kind == "brightness plan") return undoChange<BrightnessPlan>(audit, id, detail, target, actor);
        if (kind == "onoff plan") return undoChange<OnOffPlan>(audit, id, detail, target, actor);
        return DbStatus::NotFound;
    });
}

PlanLookup CalendarStore::lookup() {
    const auto exists = [this](const char* sql, const auto& key) {
        std::lock_guard lock(db_.mutex());
        Statement st = db_.prepare(sql).bindAll(key);
        return st.step();
    };
    return {[exists](ProgramId id) { return exists("SELECT 1 FROM programs WHERE id = ?", id); },
            [exists](const std::string& name) { return exists("SELECT 1 FROM groups WHERE name = ?", name); },
            [exists](SignId id) { return exists("SELECT 1 FROM signs WHERE id = ?", id); }};
}

std::string CalendarStore::users(const char* column, int64_t id) {
    std::lock_guard lock(db_.mutex());
    const std::string c(column);
    const std::string sql = c == "program_id"
                                ? "SELECT 'entry', id FROM calendar_entries WHERE program_id = ?1 ORDER BY id"
                                : "SELECT DISTINCT coalesce(p.kind, 'entry'), coalesce(t.entry_id, t.plan_id)"
                                  " FROM calendar_targets t LEFT JOIN calendar_plans p ON p.id = t.plan_id"
                                  " WHERE t." +
                                      c + " = ?1 ORDER BY 1 <> 'entry', 1, 2";
    Statement st = db_.prepare(sql).bindAll(id);
    // "calendar entries 1, 2; ON/OFF plan 4"
    std::map<std::string, std::vector<int64_t>> byKind;
    std::vector<std::string> kinds;
    while (st.step()) {
        const std::string kind = st.text(0);
        if (!byKind.count(kind)) kinds.push_back(kind);
        byKind[kind].push_back(st.integer(1));
    }
    std::string out;
    for (const std::string& kind : kinds) {
        const std::vector<int64_t>& ids = byKind[kind];
        const bool many = ids.size() > 1;
        out += out.empty() ? "" : "; ";
        out += kind == "entry"   ? (many ? "calendar entries " : "calendar entry ")
               : kind == "onoff" ? (many ? "ON/OFF plans " : "ON/OFF plan ")
                                 : (many ? "brightness plans " : "brightness plan ");
        for (size_t i = 0; i < ids.size(); ++i) out += (i ? ", " : "") + std::to_string(ids[i]);
    }
    return out;
}

std::string CalendarStore::usersOfProgram(int64_t program) {
    return users("program_id", program);
}

std::string CalendarStore::usersOfSign(int64_t sign) {
    return users("sign_id", sign);
}

std::string CalendarStore::usersOfGroup(int64_t group) {
    return users("group_id", group);
}

}  // namespace orb
