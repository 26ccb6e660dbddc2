#include <cstring>

#include "service/http/ApiError.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

void sendJson(httplib::Response& res, int status, const nlohmann::json& body) {
    res.status = status;
    res.set_content(jsonText(body), "application/json");
}

bool readJson(ApiCall& call, std::span<const FieldRule> rules, nlohmann::json& out) {
    const BodyError error = parseJsonObject(call.body, rules, out);
    if (!error) return true;
    sendError(call.res, 400, error.malformed ? code::kBadRequest : code::kInvalid, error.message);
    return false;
}

bool onlyParams(ApiCall& call, std::initializer_list<const char*> names) {
    for (const auto& [key, value] : call.req.params) {
        bool known = false;
        for (const char* n : names) known = known || key == n;
        if (!known) {
            sendError(call.res, 400, code::kInvalid, key + ": unknown query parameter");
            return false;
        }
    }
    return true;
}

bool succeeded(ApiCall& call, const ServiceResult& result) {
    if (result.ok()) return true;
    sendFailure(call.res, result);
    return false;
}

bool readOk(ApiCall& call, DbStatus status, const std::string& what) {
    return succeeded(call, resultOf(status, what));
}

std::vector<ApiRoute> apiRoutes() {
    std::vector<ApiRoute> routes;
    addSessionRoutes(routes);
    addSignRoutes(routes);
    addGroupRoutes(routes);
    addProgramRoutes(routes);
    addJobRoutes(routes);
    addUserRoutes(routes);
    addAuditRoutes(routes);
    addCalendarRoutes(routes);
    addTakeoverRoutes(routes);
    return routes;
}

}  // namespace orb::api
