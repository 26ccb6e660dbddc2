#pragma once
// The calendar of the sign network as stored: entries, brightness plans and ON/OFF plans, each
// with the signs and groups it is for. Every change is one transaction with one audit row whose
// detail holds the thing before and after it (JSON, null where there was none), so that it can
// be undone by writing the "before" back.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "service/calendar/CalendarEntry.h"
#include "service/calendar/SettingsPlans.h"
#include "service/core/AuditLog.h"
#include "service/core/Database.h"

namespace orb {

// A read of the whole calendar at one moment.
struct CalendarContents {
    std::vector<CalendarEntry> entries;  // by id
    std::vector<BrightnessPlan> brightness;
    std::vector<OnOffPlan> onOff;
};

class CalendarStore {
  public:
    explicit CalendarStore(Database& db) : db_(db) {}

    DbStatus list(CalendarContents& out);
    DbStatus getEntry(EntryId id, CalendarEntry& out);
    DbStatus getPlan(int64_t id, BrightnessPlan& out);
    DbStatus getPlan(int64_t id, OnOffPlan& out);

    // Stores E (its id 0) and sets its id and created order. Conflict when a program, sign or
    // group it names is gone.
    DbStatus createEntry(CalendarEntry& e, const Actor& actor);
    // Replaces the entry E.id; NotFound when there is none.
    DbStatus updateEntry(const CalendarEntry& e, const Actor& actor);
    DbStatus removeEntry(EntryId id, const Actor& actor);

    DbStatus createPlan(BrightnessPlan& p, const Actor& actor);
    DbStatus createPlan(OnOffPlan& p, const Actor& actor);
    DbStatus updatePlan(const BrightnessPlan& p, const Actor& actor);
    DbStatus updatePlan(const OnOffPlan& p, const Actor& actor);
    // Removes the plan ID of either kind.
    DbStatus removePlan(int64_t id, const char* kind, const Actor& actor);

    // Undoes the change audit row AUDIT records (a create, change, removal or undo of an entry
    // or plan): writes back what it held before, when the entry or plan is still as the change
    // left it; one audit row "calendar.undo". TARGET is set to what it was ("calendar entry 3").
    // NotFound when the row records no such change; Conflict when the entry or plan was changed
    // since, or what it named is gone.
    DbStatus undo(int64_t audit, const Actor& actor, std::string& target);

    // Whether the program, sign or group exists (the checks of a new entry or plan).
    PlanLookup lookup();

    // The entries and plans that name a program, sign or group ("entries 3, 4; brightness plan 2"),
    // "" when none does: what stops it being deleted.
    std::string usersOfProgram(int64_t program);
    std::string usersOfSign(int64_t sign);
    std::string usersOfGroup(int64_t group);

  private:
    template <typename Plan>
    DbStatus writePlan(Plan& p, const char* kind, bool create, const Actor& actor);
    std::string users(const char* column, int64_t id);
    template <typename Item>
    DbStatus undoChange(int64_t audit, int64_t id, const nlohmann::json& detail, const std::string& target,
                        const Actor& actor);

    Database& db_;
};

}  // namespace orb
