// Logging in and out, who is logged in, and the health check.
#include "service/core/Schema.h"
#include "service/http/ApiError.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

constexpr FieldRule kLogin[] = {
    {"user", JsonType::String, true},
    {"password", JsonType::String, true},
};

// The console's cookie: the session token itself, never readable by scripts, never sent by
// another site; over TLS (or through a proxy that gives TLS) only over it.
std::string sessionCookie(const ApiCall& call, const std::string& token, int maxAgeSeconds) {
    std::string cookie = "orbd_session=" + token +
                         "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" + std::to_string(maxAgeSeconds);
    if (!call.options.certFile.empty() || call.options.behindProxy) cookie += "; Secure";
    return cookie;
}

void login(ApiCall& call) {
    nlohmann::json body;
    if (!readJson(call, kLogin, body)) return;
    const std::string user = *stringField(body, "user");
    const LoginResult r = call.net.auth.login(user, *stringField(body, "password"), call.clientAddress);
    switch (r.status) {
        case LoginResult::Ok:
            break;
        case LoginResult::Refused:
            call.net.logEvent("login failed for " + user + " from " + call.clientAddress);
            return sendError(call.res, 401, code::kUnauthorized, "the user name or password is wrong");
        case LoginResult::Throttled:
            call.res.set_header("Retry-After", std::to_string((r.retryAfterMs + 999) / 1000));
            return sendError(call.res, 429, code::kTooManyAttempts,
                             "too many failed logins: try again in " +
                                 std::to_string((r.retryAfterMs + 999) / 1000) + " s");
        case LoginResult::Failed:
            return sendError(call.res, 500, code::kStorageFailed, "the session could not be stored");
    }
    call.res.set_header("Set-Cookie",
                        sessionCookie(call, r.token, call.net.auth.settings().sessionMinutes * 60));
    sendJson(call.res, 200,
             {{"token", r.token},
              {"csrf", r.csrf},
              {"user", r.user.name},
              {"role", toText(r.user.role)},
              {"expires", r.expires}});
}

void whoAmI(ApiCall& call) {
    nlohmann::json out = {{"user", call.who.user.name}, {"role", toText(call.who.user.role)}};
    // A console reloaded finds its CSRF token here (no other site can read the answer).
    if (call.who.byCookie) out["csrf"] = call.who.csrf;
    sendJson(call.res, 200, out);
}

void logout(ApiCall& call) {
    const DbStatus s = call.net.auth.logout(presentedToken(call.req), call.actor);
    if (s == DbStatus::NotFound)
        return sendError(call.res, 400, code::kInvalid, "an API token is not a session");
    if (!readOk(call, s, "the session")) return;
    call.res.set_header("Set-Cookie", sessionCookie(call, "", 0));
    call.res.status = 204;
}

void health(ApiCall& call) {
    sendJson(call.res, 200,
             {{"status", "ok"},
              {"version", ORB_VERSION},
              {"schema", schemaVersion()},
              {"time", toIsoText(call.net.clock.now())}});
}

}  // namespace

void addSessionRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/health", std::nullopt, BodyKind::None, health});
    routes.push_back({"POST", "/api/v1/session", std::nullopt, BodyKind::Json, login});
    routes.push_back({"GET", "/api/v1/session", Role::Viewer, BodyKind::None, whoAmI});
    routes.push_back({"DELETE", "/api/v1/session", Role::Viewer, BodyKind::None, logout});
}

}  // namespace orb::api
