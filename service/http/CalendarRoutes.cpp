// The calendar: entries, brightness and ON/OFF plans (viewers read, operators change), the
// holidays of a year with the days the admin adds (admins change them), and what a sign plays day
// by day.
#include "service/calendar/CalendarJson.h"
#include "service/core/NetworkCalendar.h"
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

using json = nlohmann::json;

// The body as JSON (its fields are checked by the calendar's readers); false, with the error sent,
// when it is not JSON.
bool readBodyJson(ApiCall& call, json& out) {
    if (const BodyError error = parseJsonText(call.body, out); error) {
        sendError(call.res, 400, code::kBadRequest, error.message);
        return false;
    }
    return true;
}

// The query's date parameter NAME; false, with the error sent, when it is missing or no date.
bool dateParam(ApiCall& call, const char* name, CalendarDate& out) {
    const std::string text = call.req.has_param(name) ? call.req.get_param_value(name) : std::string();
    if (const auto d = parseCalendarDate(text)) {
        out = *d;
        return true;
    }
    sendError(call.res, 400, code::kBadRequest,
              std::string(name) + ": " +
                  (text.empty() ? "missing" : "\"" + text.substr(0, 40) + "\" is not") +
                  " a date YYYY-MM-DD");
    return false;
}

void listEntries(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    CalendarContents contents;
    if (!readOk(call, call.net.store.calendar.list(contents), "the calendar")) return;
    json out = json::array();
    for (const CalendarEntry& e : contents.entries) out.push_back(calendarEntryJson(e));
    sendJson(call.res, 200, out);
}

void getEntry(ApiCall& call) {
    CalendarEntry e;
    const int64_t id = call.pathId(1);
    if (!readOk(call, call.net.store.calendar.getEntry(id, e), "entry " + std::to_string(id))) return;
    sendJson(call.res, 200, calendarEntryJson(e));
}

void createEntry(ApiCall& call) {
    json body;
    CalendarEntry e;
    if (!readBodyJson(call, body) ||
        !succeeded(call, NetworkCalendar(call.net.store).createEntry(body, call.actor, e)))
        return;
    call.res.set_header("Location", "/api/v1/calendar/" + std::to_string(e.id));
    sendJson(call.res, 201, calendarEntryJson(e));
}

void changeEntry(ApiCall& call) {
    json body;
    CalendarEntry e;
    if (!readBodyJson(call, body) ||
        !succeeded(call, NetworkCalendar(call.net.store).changeEntry(call.pathId(1), body, call.actor, e)))
        return;
    sendJson(call.res, 200, calendarEntryJson(e));
}

void deleteEntry(ApiCall& call) {
    if (!succeeded(call, NetworkCalendar(call.net.store).removeEntry(call.pathId(1), call.actor))) return;
    call.res.status = 204;
}

json planJsonOf(const BrightnessPlan& p) {
    return brightnessPlanJson(p);
}
json planJsonOf(const OnOffPlan& p) {
    return onOffPlanJson(p);
}
template <typename Plan>
const std::vector<Plan>& plansOf(const CalendarContents& c);
template <>
const std::vector<BrightnessPlan>& plansOf(const CalendarContents& c) {
    return c.brightness;
}
template <>
const std::vector<OnOffPlan>& plansOf(const CalendarContents& c) {
    return c.onOff;
}

// The routes of one kind of plan under PATH.
template <typename Plan>
void addPlanRoutes(std::vector<ApiRoute>& routes, const std::string& path) {
    routes.push_back({"GET", path, Role::Viewer, BodyKind::None, [](ApiCall& call) {
                          if (!onlyParams(call, {})) return;
                          CalendarContents contents;
                          if (!readOk(call, call.net.store.calendar.list(contents), "the calendar")) return;
                          json out = json::array();
                          for (const Plan& p : plansOf<Plan>(contents)) out.push_back(planJsonOf(p));
                          sendJson(call.res, 200, out);
                      }});
    routes.push_back(
        {"POST", path, Role::Operator, BodyKind::Json, [path](ApiCall& call) {
             json body;
             Plan p;
             if (!readBodyJson(call, body) ||
                 !succeeded(call, NetworkCalendar(call.net.store).createPlan(body, call.actor, p)))
                 return;
             call.res.set_header("Location", path + "/" + std::to_string(p.id));
             sendJson(call.res, 201, planJsonOf(p));
         }});
    routes.push_back({"GET", path + "/{id}", Role::Viewer, BodyKind::None, [](ApiCall& call) {
                          Plan p;
                          p.id = call.pathId(1);
                          if (!readOk(call, call.net.store.calendar.getPlan(p.id, p), planLabel(p))) return;
                          sendJson(call.res, 200, planJsonOf(p));
                      }});
    routes.push_back(
        {"PATCH", path + "/{id}", Role::Operator, BodyKind::Json, [](ApiCall& call) {
             json body;
             Plan p;
             if (!readBodyJson(call, body) ||
                 !succeeded(call,
                            NetworkCalendar(call.net.store).changePlan(call.pathId(1), body, call.actor, p)))
                 return;
             sendJson(call.res, 200, planJsonOf(p));
         }});
}

void deleteBrightnessPlan(ApiCall& call) {
    if (!succeeded(call, NetworkCalendar(call.net.store).removeBrightnessPlan(call.pathId(1), call.actor)))
        return;
    call.res.status = 204;
}

void deleteOnOffPlan(ApiCall& call) {
    if (!succeeded(call, NetworkCalendar(call.net.store).removeOnOffPlan(call.pathId(1), call.actor))) return;
    call.res.status = 204;
}

constexpr FieldRule kUndoFields[] = {{"audit", JsonType::Integer, true}};

void undoChange(ApiCall& call) {
    json body;
    std::string target;
    if (!readJson(call, kUndoFields, body)) return;
    const int64_t audit = *integerField(body, "audit");
    if (!succeeded(call, NetworkCalendar(call.net.store).undo(audit, call.actor, target))) return;
    sendJson(call.res, 200, {{"undone", audit}, {"target", target}});
}

// With items=true each day also tells what plays when and the pushes, from the day compiled.
void signPlan(ApiCall& call) {
    CalendarDate from, to;
    if (!onlyParams(call, {"from", "to", "items"}) || !dateParam(call, "from", from) ||
        !dateParam(call, "to", to))
        return;
    const std::string items = call.req.has_param("items") ? call.req.get_param_value("items") : "false";
    if (items != "true" && items != "false") {
        sendError(call.res, 400, code::kBadRequest, "items: true or false");
        return;
    }
    NetworkCalendar calendar(call.net.store);
    std::vector<DayPlan> days;
    std::vector<PlayedDay> played;
    if (!succeeded(call, calendar.planOf(call.pathId(1), from, to, days))) return;
    if (items == "true" && !succeeded(call, calendar.playedOf(call.pathId(1), days, played))) return;
    sendJson(call.res, 200, planJson(days, played));
}

void signCompiled(ApiCall& call) {
    CalendarDate date;
    if (!onlyParams(call, {"date"}) || !dateParam(call, "date", date)) return;
    CompiledDay day;
    if (!succeeded(call, NetworkCalendar(call.net.store).compiledOf(call.pathId(1), date, day))) return;
    sendJson(call.res, 200, compiledDayJson(day));
}

void holidays(ApiCall& call) {
    if (!onlyParams(call, {"year"})) return;
    const std::string text = call.req.has_param("year") ? call.req.get_param_value("year") : std::string();
    const auto year = parseCalendarDate(text + "-01-01");
    if (!year || year->year < 1900 || year->year > 2100) {
        sendError(call.res, 400, code::kBadRequest, "year: a year from 1900 to 2100");
        return;
    }
    sendJson(call.res, 200, holidaysJson(*NetworkCalendar(call.net.store).holidays()->year(year->year)));
}

json designatedJson(const DesignatedRecord& d) {
    return {{"id", d.id},
            {"date", d.day.date.text()},
            {"name", d.day.name},
            {"official", d.day.official},
            {"created", d.created}};
}

void listDesignated(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    std::vector<DesignatedRecord> days;
    if (!readOk(call, call.net.store.holidays.list(days), "the designated days")) return;
    json out = json::array();
    for (const DesignatedRecord& d : days) out.push_back(designatedJson(d));
    sendJson(call.res, 200, out);
}

constexpr FieldRule kDesignatedFields[] = {
    {"date", JsonType::String, true}, {"name", JsonType::String, true}, {"official", JsonType::Boolean}};

void createDesignated(ApiCall& call) {
    json body;
    if (!readJson(call, kDesignatedFields, body)) return;
    DesignatedRecord d;
    if (!succeeded(call,
                   NetworkCalendar(call.net.store)
                       .addDesignatedDay(*stringField(body, "date"), *stringField(body, "name"),
                                         booleanField(body, "official").value_or(false), call.actor, d)))
        return;
    call.res.set_header("Location", "/api/v1/holidays/designated/" + std::to_string(d.id));
    sendJson(call.res, 201, designatedJson(d));
}

void deleteDesignated(ApiCall& call) {
    if (!succeeded(call, NetworkCalendar(call.net.store).removeDesignatedDay(call.pathId(1), call.actor)))
        return;
    call.res.status = 204;
}

}  // namespace

void addCalendarRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/calendar", Role::Viewer, BodyKind::None, listEntries});
    routes.push_back({"POST", "/api/v1/calendar", Role::Operator, BodyKind::Json, createEntry});
    routes.push_back({"GET", "/api/v1/calendar/{id}", Role::Viewer, BodyKind::None, getEntry});
    routes.push_back({"PATCH", "/api/v1/calendar/{id}", Role::Operator, BodyKind::Json, changeEntry});
    routes.push_back({"DELETE", "/api/v1/calendar/{id}", Role::Operator, BodyKind::None, deleteEntry});
    routes.push_back({"POST", "/api/v1/calendar/undo", Role::Operator, BodyKind::Json, undoChange});
    addPlanRoutes<BrightnessPlan>(routes, "/api/v1/brightness-plans");
    routes.push_back(
        {"DELETE", "/api/v1/brightness-plans/{id}", Role::Operator, BodyKind::None, deleteBrightnessPlan});
    addPlanRoutes<OnOffPlan>(routes, "/api/v1/onoff-plans");
    routes.push_back({"DELETE", "/api/v1/onoff-plans/{id}", Role::Operator, BodyKind::None, deleteOnOffPlan});
    routes.push_back({"GET", "/api/v1/signs/{id}/plan", Role::Viewer, BodyKind::None, signPlan});
    routes.push_back({"GET", "/api/v1/signs/{id}/compiled", Role::Viewer, BodyKind::None, signCompiled});
    routes.push_back({"GET", "/api/v1/holidays", Role::Viewer, BodyKind::None, holidays});
    routes.push_back({"GET", "/api/v1/holidays/designated", Role::Viewer, BodyKind::None, listDesignated});
    routes.push_back({"POST", "/api/v1/holidays/designated", Role::Admin, BodyKind::Json, createDesignated});
    routes.push_back(
        {"DELETE", "/api/v1/holidays/designated/{id}", Role::Admin, BodyKind::None, deleteDesignated});
}

}  // namespace orb::api
