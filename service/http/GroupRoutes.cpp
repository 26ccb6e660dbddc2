// Groups of signs: list, one, create, rename or change the members, delete.
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

constexpr FieldRule kGroupFields[] = {
    {"name", JsonType::String, true},
    {"signs", JsonType::IntegerArray},
};
constexpr FieldRule kGroupPatch[] = {
    {"name", JsonType::String},
    {"signs", JsonType::IntegerArray},
};

void listGroups(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    std::vector<GroupRecord> groups;
    if (!readOk(call, call.net.store.groups.list(groups), "the groups")) return;
    nlohmann::json out = nlohmann::json::array();
    for (const GroupRecord& g : groups) out.push_back(groupJson(g));
    sendJson(call.res, 200, out);
}

void getGroup(ApiCall& call) {
    GroupRecord group;
    const int64_t id = call.pathId(1);
    if (!readOk(call, call.net.store.groups.get(id, group), "group " + std::to_string(id))) return;
    sendJson(call.res, 200, groupJson(group));
}

void createGroup(ApiCall& call) {
    nlohmann::json body;
    if (!readJson(call, kGroupFields, body)) return;
    int64_t id = 0;
    const auto signs = integersField(body, "signs").value_or(std::vector<int64_t>{});
    if (!succeeded(call, call.net.createGroup(*stringField(body, "name"), signs, call.actor, id))) return;
    GroupRecord group;
    if (!readOk(call, call.net.store.groups.get(id, group), "the group")) return;
    call.res.set_header("Location", "/api/v1/groups/" + std::to_string(id));
    sendJson(call.res, 201, groupJson(group));
}

void changeGroup(ApiCall& call) {
    nlohmann::json body;
    if (!readJson(call, kGroupPatch, body)) return;
    const int64_t id = call.pathId(1);
    if (!succeeded(call, call.net.updateGroup(id, stringField(body, "name"), integersField(body, "signs"),
                                              call.actor)))
        return;
    GroupRecord group;
    if (!readOk(call, call.net.store.groups.get(id, group), "the group")) return;
    sendJson(call.res, 200, groupJson(group));
}

void deleteGroup(ApiCall& call) {
    if (!succeeded(call, call.net.deleteGroup(call.pathId(1), call.actor))) return;
    call.res.status = 204;
}

}  // namespace

void addGroupRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/groups", Role::Viewer, BodyKind::None, listGroups});
    routes.push_back({"POST", "/api/v1/groups", Role::Admin, BodyKind::Json, createGroup});
    routes.push_back({"GET", "/api/v1/groups/{id}", Role::Viewer, BodyKind::None, getGroup});
    routes.push_back({"PATCH", "/api/v1/groups/{id}", Role::Admin, BodyKind::Json, changeGroup});
    routes.push_back({"DELETE", "/api/v1/groups/{id}", Role::Admin, BodyKind::None, deleteGroup});
}

}  // namespace orb::api
