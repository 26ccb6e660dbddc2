#pragma once
// One route of the API: its method and path (as the OpenAPI description writes it, ids as
// "{id}"), the least role that may call it (none for the login and the health check), the body it
// takes, and its handler.
#include <httplib.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "service/core/Auth.h"
#include "service/core/Role.h"
#include "service/core/SignNetwork.h"
#include "service/http/FrameStreams.h"
#include "service/http/JsonBody.h"

namespace orb::api {

enum class BodyKind { None, Json, Zip, OptionalJson };  // OptionalJson: JSON, or no body at all

struct ApiOptions {
    std::string host = "127.0.0.1";
    int port = 8470;                // 0 picks a free port
    std::string certFile, keyFile;  // TLS when both are given
    bool behindProxy = false;  // a reverse proxy in front: any address, client address from X-Forwarded-For
    size_t jsonBodyLimit = size_t{1} << 20;
    size_t bundleBodyLimit = size_t{64} << 20;
    std::string consoleFolder;  // the browser console's files, served outside /api/; "" serves none
    FrameStreamLimits frameStreams;
};

// What a handler is given: the request, the response to fill, who asks, and the service.
struct ApiCall {
    const httplib::Request& req;
    httplib::Response& res;
    const Principal& who;  // the user is empty for routes that need no credentials
    const Actor& actor;
    const std::string& body;
    SignNetwork& net;
    const ApiOptions& options;
    std::string clientAddress;
    FrameStreams& streams;  // the live frame streams open on this server

    // Path parameter N (from 1), matched as digits by the route.
    int64_t pathId(int n) const;
};

using ApiHandler = std::function<void(ApiCall&)>;

struct ApiRoute {
    std::string method;  // "GET", "POST", "PATCH", "DELETE"
    std::string path;    // "/api/v1/signs/{id}"
    std::optional<Role> role;
    BodyKind body = BodyKind::None;
    ApiHandler handler;
};

// The session cookie's name.
inline constexpr const char* kSessionCookie = "orbd_session";
// The token a request presents: the bearer token of its Authorization header, else its session
// cookie; "" when neither.
std::string presentedToken(const httplib::Request& req);

// A JSON response.
void sendJson(httplib::Response& res, int status, const nlohmann::json& body);
// The call's body as a JSON object following RULES; false, with the error sent, otherwise.
bool readJson(ApiCall& call, std::span<const FieldRule> rules, nlohmann::json& out);
// The query's parameters are among NAMES; false, with the error sent, otherwise.
bool onlyParams(ApiCall& call, std::initializer_list<const char*> names);
// Sends the failure of a core operation; true when it succeeded.
bool succeeded(ApiCall& call, const ServiceResult& result);
// A store read failed: 404 for NotFound naming WHAT, else a storage error. True when it did not fail.
bool readOk(ApiCall& call, DbStatus status, const std::string& what);

// The routes of each area.
void addSessionRoutes(std::vector<ApiRoute>& routes);
void addSignRoutes(std::vector<ApiRoute>& routes);
void addGroupRoutes(std::vector<ApiRoute>& routes);
void addProgramRoutes(std::vector<ApiRoute>& routes);
void addJobRoutes(std::vector<ApiRoute>& routes);
void addUserRoutes(std::vector<ApiRoute>& routes);
void addAuditRoutes(std::vector<ApiRoute>& routes);
void addCalendarRoutes(std::vector<ApiRoute>& routes);
void addTakeoverRoutes(std::vector<ApiRoute>& routes);

// Every route of the API.
std::vector<ApiRoute> apiRoutes();

}  // namespace orb::api
