// Emergency takeovers: operators and admins start and end them, viewers read them with each
// sign's acknowledgement.
#include "service/core/NetworkTakeover.h"
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

using json = nlohmann::json;

json optionalJson(const std::optional<std::string>& v) {
    return v ? json(*v) : json(nullptr);
}

json takeoverJson(const Takeover& t, const std::string& now) {
    json acks = json::array();
    for (const TakeoverAck& a : t.acks)
        acks.push_back({{"sign", a.sign},
                        {"name", a.name},
                        {"state", toText(a.state)},
                        {"at", optionalJson(a.at)},
                        {"message", a.message}});
    return {{"id", t.id},
            {"text", optionalJson(t.text)},
            {"colour", optionalJson(t.colour)},
            {"effect", optionalJson(t.effect)},
            {"program", t.program},
            {"programName", t.programName},
            {"version", t.version},
            {"signs", t.signs},
            {"groups", t.groups},
            {"until", optionalJson(t.until)},
            {"created", t.created},
            {"createdBy", t.createdBy},
            {"ended", optionalJson(t.ended)},
            {"endedBy", optionalJson(t.endedBy)},
            {"active", t.activeAt(now)},
            {"acks", std::move(acks)}};
}

std::string nowText(ApiCall& call) {
    return toIsoText(call.net.clock.now());
}

void listTakeovers(ApiCall& call) {
    if (!onlyParams(call, {"active"})) return;
    const std::string active = call.req.has_param("active") ? call.req.get_param_value("active") : "false";
    if (active != "true" && active != "false") {
        sendError(call.res, 400, code::kBadRequest, "active: true or false");
        return;
    }
    std::vector<Takeover> list;
    if (!readOk(call, call.net.store.takeovers.list(active == "true", list), "the takeovers")) return;
    const std::string now = nowText(call);
    json out = json::array();
    for (const Takeover& t : list)
        if (active == "false" || t.activeAt(now)) out.push_back(takeoverJson(t, now));
    sendJson(call.res, 200, out);
}

void getTakeover(ApiCall& call) {
    Takeover t;
    const int64_t id = call.pathId(1);
    if (!readOk(call, call.net.store.takeovers.get(id, t), "takeover " + std::to_string(id))) return;
    sendJson(call.res, 200, takeoverJson(t, nowText(call)));
}

void createTakeover(ApiCall& call) {
    json body;
    if (const BodyError error = parseJsonText(call.body, body); error) {
        sendError(call.res, 400, code::kBadRequest, error.message);
        return;
    }
    Takeover t;
    if (!succeeded(call, NetworkTakeover(call.net).create(body, call.actor, t))) return;
    call.res.set_header("Location", "/api/v1/takeovers/" + std::to_string(t.id));
    sendJson(call.res, 201, takeoverJson(t, nowText(call)));
}

void endTakeover(ApiCall& call) {
    Takeover t;
    if (!succeeded(call, NetworkTakeover(call.net).end(call.pathId(1), call.actor, t))) return;
    sendJson(call.res, 200, takeoverJson(t, nowText(call)));
}

}  // namespace

void addTakeoverRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/takeovers", Role::Viewer, BodyKind::None, listTakeovers});
    routes.push_back({"POST", "/api/v1/takeovers", Role::Operator, BodyKind::Json, createTakeover});
    routes.push_back({"GET", "/api/v1/takeovers/{id}", Role::Viewer, BodyKind::None, getTakeover});
    routes.push_back({"DELETE", "/api/v1/takeovers/{id}", Role::Operator, BodyKind::None, endTakeover});
}

}  // namespace orb::api
