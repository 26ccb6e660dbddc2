// Users (admins only): list, add, change role or password, delete; and the service's settings.
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

constexpr FieldRule kUserFields[] = {
    {"name", JsonType::String, true},
    {"role", JsonType::String, true},
    {"password", JsonType::String, true},
};
constexpr FieldRule kUserPatch[] = {
    {"role", JsonType::String},
    {"password", JsonType::String},
};

std::optional<Role> roleField(ApiCall& call, const nlohmann::json& body) {
    const auto text = stringField(body, "role");
    const auto role = text ? parseRole(*text) : std::nullopt;
    if (text && !role)
        sendError(call.res, 422, code::kInvalid, "role: \"viewer\", \"operator\" or \"admin\"");
    return role;
}

void listUsers(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    std::vector<UserRecord> users;
    if (!readOk(call, call.net.store.users.list(users), "the users")) return;
    nlohmann::json out = nlohmann::json::array();
    for (const UserRecord& u : users) out.push_back(userJson(u));
    sendJson(call.res, 200, out);
}

void addUser(ApiCall& call) {
    nlohmann::json body;
    if (!readJson(call, kUserFields, body)) return;
    const auto role = roleField(call, body);
    if (!role) return;
    int64_t id = 0;
    if (!succeeded(call, call.net.addUser(*stringField(body, "name"), *role, *stringField(body, "password"),
                                          call.actor, id)))
        return;
    UserRecord user;
    if (!readOk(call, call.net.store.users.get(id, user), "the user")) return;
    call.res.set_header("Location", "/api/v1/users/" + std::to_string(id));
    sendJson(call.res, 201, userJson(user));
}

void changeUser(ApiCall& call) {
    nlohmann::json body;
    if (!readJson(call, kUserPatch, body)) return;
    const int64_t id = call.pathId(1);
    const auto role = roleField(call, body);
    if (body.contains("role") && !role) return;
    if (role && !succeeded(call, call.net.setUserRole(id, *role, call.actor))) return;
    if (const auto password = stringField(body, "password");
        password && !succeeded(call, call.net.setUserPassword(id, *password, call.actor)))
        return;
    UserRecord user;
    if (!readOk(call, call.net.store.users.get(id, user), "user " + std::to_string(id))) return;
    sendJson(call.res, 200, userJson(user));
}

void deleteUser(ApiCall& call) {
    if (!succeeded(call, call.net.deleteUser(call.pathId(1), call.actor))) return;
    call.res.status = 204;
}

nlohmann::json settingsJson(const ServiceSettings& s) {
    nlohmann::json out = nlohmann::json::object();
    for (const SettingKey& k : settingKeys()) out[k.key] = s.*k.field;
    return out;
}

void getSettings(ApiCall& call) {
    ServiceSettings s;
    if (!readOk(call, call.net.store.settings.load(s), "the settings")) return;
    sendJson(call.res, 200, settingsJson(s));
}

void changeSettings(ApiCall& call) {
    std::vector<FieldRule> rules;
    for (const SettingKey& k : settingKeys()) rules.push_back({k.key, JsonType::Integer});
    nlohmann::json body;
    if (!readJson(call, rules, body)) return;
    for (const SettingKey& k : settingKeys()) {
        const auto v = integerField(body, k.key);
        if (!v) continue;
        if (*v < k.min || *v > k.max)
            return sendError(
                call.res, 422, code::kInvalid,
                std::string(k.key) + ": " + std::to_string(k.min) + " to " + std::to_string(k.max));
    }
    for (const SettingKey& k : settingKeys())
        if (const auto v = integerField(body, k.key);
            v && !readOk(call, call.net.store.settings.set(k.key, static_cast<int>(*v), call.actor),
                         "the settings"))
            return;
    getSettings(call);
}

}  // namespace

void addUserRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/users", Role::Admin, BodyKind::None, listUsers});
    routes.push_back({"POST", "/api/v1/users", Role::Admin, BodyKind::Json, addUser});
    routes.push_back({"PATCH", "/api/v1/users/{id}", Role::Admin, BodyKind::Json, changeUser});
    routes.push_back({"DELETE", "/api/v1/users/{id}", Role::Admin, BodyKind::None, deleteUser});
    routes.push_back({"GET", "/api/v1/settings", Role::Admin, BodyKind::None, getSettings});
    routes.push_back({"PATCH", "/api/v1/settings", Role::Admin, BodyKind::Json, changeSettings});
}

}  // namespace orb::api
