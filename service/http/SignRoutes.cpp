// Signs: list, one, create, change, delete; what one shows and the stream of its frames; pull its
// program back.
#include "service/core/SignFrames.h"
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

constexpr FieldRule kSignFields[] = {
    {"name", JsonType::String, true},
    {"link", JsonType::String, true},
    {"model", JsonType::String},
    {"width", JsonType::Integer},
    {"height", JsonType::Integer},
    {"location", JsonType::String},
    {"notes", JsonType::String},
    {"groups", JsonType::StringArray},
    {"latitude", JsonType::Number, false, true},
    {"longitude", JsonType::Number, false, true},
};
constexpr FieldRule kSignPatch[] = {
    {"name", JsonType::String},
    {"link", JsonType::String},
    {"model", JsonType::String},
    {"width", JsonType::Integer},
    {"height", JsonType::Integer},
    {"location", JsonType::String},
    {"notes", JsonType::String},
    {"groups", JsonType::StringArray},
    {"latitude", JsonType::Number, false, true},
    {"longitude", JsonType::Number, false, true},
};

// A size field within what an int holds; the core checks the real range.
std::optional<int> smallInt(const nlohmann::json& body, const char* name) {
    const auto v = integerField(body, name);
    if (!v) return std::nullopt;
    return static_cast<int>(std::clamp<int64_t>(*v, -1, 1000));
}

// The coordinates BODY gives: both numbers, or both null (unset), or neither field (nothing
// said); false, with the error sent, for one without the other.
bool readCoordinates(ApiCall& call, const nlohmann::json& body,
                     std::optional<std::optional<SignCoordinates>>& out) {
    const auto latitude = numberField(body, "latitude"), longitude = numberField(body, "longitude");
    if (latitude && longitude) {
        out = SignCoordinates{*latitude, *longitude};
        return true;
    }
    const bool hasLatitude = body.contains("latitude"), hasLongitude = body.contains("longitude");
    if (hasLatitude == hasLongitude && !latitude && !longitude) {
        if (hasLatitude) out = std::optional<SignCoordinates>();
        return true;
    }
    succeeded(call,
              ServiceResult::fail(Outcome::Invalid, "latitude and longitude: both numbers, or both null"));
    return false;
}

void listSigns(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    std::vector<SignRecord> signs;
    if (!readOk(call, call.net.store.signs.list(signs), "the signs")) return;
    nlohmann::json out = nlohmann::json::array();
    for (const SignRecord& s : signs) out.push_back(signJson(s));
    sendJson(call.res, 200, out);
}

void getSign(ApiCall& call) {
    SignRecord sign;
    const int64_t id = call.pathId(1);
    if (!readOk(call, call.net.store.signs.get(id, sign), "sign " + std::to_string(id))) return;
    sendJson(call.res, 200, signJson(sign));
}

void createSign(ApiCall& call) {
    nlohmann::json body;
    if (!readJson(call, kSignFields, body)) return;
    SignInput in;
    in.name = *stringField(body, "name");
    in.link = *stringField(body, "link");
    in.model = stringField(body, "model").value_or(kDefaultModel);
    in.width = smallInt(body, "width").value_or(6);
    in.height = smallInt(body, "height").value_or(1);
    in.location = stringField(body, "location").value_or("");
    in.notes = stringField(body, "notes").value_or("");
    in.groups = stringsField(body, "groups").value_or(std::vector<std::string>{});
    std::optional<std::optional<SignCoordinates>> coordinates;
    if (!readCoordinates(call, body, coordinates)) return;
    in.coordinates = coordinates.value_or(std::nullopt);
    int64_t id = 0;
    if (!succeeded(call, call.net.createSign(in, call.actor, id))) return;
    SignRecord sign;
    if (!readOk(call, call.net.store.signs.get(id, sign), "the sign")) return;
    call.res.set_header("Location", "/api/v1/signs/" + std::to_string(id));
    sendJson(call.res, 201, signJson(sign));
}

void changeSign(ApiCall& call) {
    nlohmann::json body;
    if (!readJson(call, kSignPatch, body)) return;
    SignPatch p;
    p.name = stringField(body, "name");
    p.link = stringField(body, "link");
    p.model = stringField(body, "model");
    p.width = smallInt(body, "width");
    p.height = smallInt(body, "height");
    p.location = stringField(body, "location");
    p.notes = stringField(body, "notes");
    p.groups = stringsField(body, "groups");
    if (!readCoordinates(call, body, p.coordinates)) return;
    const int64_t id = call.pathId(1);
    if (!succeeded(call, call.net.updateSign(id, p, call.actor))) return;
    SignRecord sign;
    if (!readOk(call, call.net.store.signs.get(id, sign), "the sign")) return;
    sendJson(call.res, 200, signJson(sign));
}

void signFrame(ApiCall& call) {
    if (!onlyParams(call, {"at"})) return;
    LocalTimestamp at;
    if (!call.req.has_param("at") || !parseIsoText(call.req.get_param_value("at"), at)) {
        succeeded(call, ServiceResult::fail(Outcome::Invalid,
                                            "at: YYYY-MM-DDTHH:MM:SS[.mmm], the sign's local time"));
        return;
    }
    if (!call.net.frames) {
        succeeded(call, ServiceResult::fail(Outcome::Unavailable, "frames are not served"));
        return;
    }
    std::string rows;
    if (!succeeded(call, call.net.frames->frameAt(call.pathId(1), at, rows))) return;
    call.res.set_content(rows, "text/plain");
}

constexpr FieldRule kPullFields[] = {{"program", JsonType::Integer}};

// A job that reads the sign's program back and keeps it as a program version.
void pullSign(ApiCall& call) {
    nlohmann::json body = nlohmann::json::object();
    if (!call.body.empty() && !readJson(call, kPullFields, body)) return;
    JobRequest request;
    request.action = JobAction::Pull;
    request.params.program = integerField(body, "program").value_or(0);
    request.signs = {call.pathId(1)};
    SignRecord sign;
    if (!readOk(call, call.net.store.signs.get(request.signs.front(), sign),
                "sign " + std::to_string(request.signs.front())))
        return;
    JobCreated created;
    if (!succeeded(call, call.net.createJob(request, call.actor, created))) return;
    call.res.set_header("Location", "/api/v1/jobs/" + std::to_string(created.id));
    sendJson(call.res, 201, {{"id", created.id}});
}

void deleteSign(ApiCall& call) {
    if (!succeeded(call, call.net.deleteSign(call.pathId(1), call.actor))) return;
    call.res.status = 204;
}

}  // namespace

void addSignRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/signs", Role::Viewer, BodyKind::None, listSigns});
    routes.push_back({"POST", "/api/v1/signs", Role::Admin, BodyKind::Json, createSign});
    routes.push_back({"GET", "/api/v1/signs/{id}", Role::Viewer, BodyKind::None, getSign});
    routes.push_back({"PATCH", "/api/v1/signs/{id}", Role::Admin, BodyKind::Json, changeSign});
    routes.push_back({"DELETE", "/api/v1/signs/{id}", Role::Admin, BodyKind::None, deleteSign});
    routes.push_back({"GET", "/api/v1/signs/{id}/frame", Role::Viewer, BodyKind::None, signFrame});
    routes.push_back({"GET", "/api/v1/signs/{id}/frames", Role::Viewer, BodyKind::None,
                      [](ApiCall& call) { call.streams.serve(call); }});
    routes.push_back({"GET", "/api/v1/frames", Role::Viewer, BodyKind::None,
                      [](ApiCall& call) { call.streams.serveSeveral(call); }});
    routes.push_back({"POST", "/api/v1/signs/{id}/pull", Role::Operator, BodyKind::OptionalJson, pullSign});
}

}  // namespace orb::api
