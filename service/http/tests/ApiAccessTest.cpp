// Who may call what: credentials (bearer tokens, session cookies with their CSRF token), the
// role of each route, slowed-down logins; and what every request body must be.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "service/http/tests/ApiFixture.h"

namespace orb {
namespace {

using testing::Reply;
using ApiAccessTest = testing::ApiFixture;

TEST_F(ApiAccessTest, ALoginGivesATokenAndAStrictCookieAndLogoutEndsIt) {
    const Reply r =
        send("POST", "/api/v1/session", R"({"user": "operator", "password": "operator password"})");
    ASSERT_EQ(r.status, 200) << r.body;
    const std::string token = r.json["token"];
    EXPECT_EQ(r.json["role"], "operator");
    const std::string cookie = r.header("Set-Cookie");
    EXPECT_NE(cookie.find("orbd_session=" + token), std::string::npos) << cookie;
    EXPECT_NE(cookie.find("HttpOnly"), std::string::npos) << cookie;
    EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos) << cookie;
    EXPECT_EQ(cookie.find("Secure"), std::string::npos) << "no TLS here: " << cookie;

    EXPECT_EQ(get("/api/v1/session", token).json["user"], "operator");
    EXPECT_EQ(send("DELETE", "/api/v1/session", {}, token).status, 204);
    EXPECT_EQ(get("/api/v1/session", token).status, 401);
}

TEST_F(ApiAccessTest, WithoutValidCredentialsEveryRouteButLoginAndHealthIs401) {
    EXPECT_EQ(get("/api/v1/health", "").status, 200);
    Reply r = get("/api/v1/signs", "");
    EXPECT_EQ(r.status, 401);
    EXPECT_EQ(r.errorCode(), "unauthorized");
    EXPECT_EQ(r.header("WWW-Authenticate"), "Bearer");
    EXPECT_EQ(get("/api/v1/signs", std::string(64, 'a')).status, 401);
    EXPECT_EQ(get("/api/v1/signs", "short").status, 401);
    EXPECT_EQ(send("GET", "/api/v1/signs", {}, {}, {{"Authorization", "Basic YWRtaW46eA=="}}).status, 401);
    // Sessions expire.
    clock.advance(int64_t{13} * 3600 * 1000);
    r = get("/api/v1/signs", "admin");
    EXPECT_EQ(r.status, 401);
}

TEST_F(ApiAccessTest, ACookieSessionMustEchoItsCsrfTokenToChangeAnything) {
    const Reply login = send("POST", "/api/v1/session", R"({"user": "admin", "password": "admin password"})");
    const std::string cookie = "orbd_session=" + login.json["token"].get<std::string>();
    const std::string csrf = login.json["csrf"];
    const httplib::Headers withCookie = {{"Cookie", "theme=dark; " + cookie}};
    EXPECT_EQ(send("GET", "/api/v1/signs", {}, {}, withCookie).status, 200);
    EXPECT_EQ(send("GET", "/api/v1/session", {}, {}, withCookie).json["csrf"], csrf);

    const std::string sign = R"({"name": "front", "link": "tcp:127.0.0.1:9000"})";
    Reply r = send("POST", "/api/v1/signs", sign, {}, withCookie);
    EXPECT_EQ(r.status, 403);
    EXPECT_EQ(r.errorCode(), "csrf");
    httplib::Headers wrong = withCookie;
    wrong.emplace("X-CSRF-Token", std::string(64, '0'));
    EXPECT_EQ(send("POST", "/api/v1/signs", sign, {}, wrong).errorCode(), "csrf");
    httplib::Headers right = withCookie;
    right.emplace("X-CSRF-Token", csrf);
    EXPECT_EQ(send("POST", "/api/v1/signs", sign, {}, right).status, 201);
    // A bearer token needs none: no browser sends it by itself.
    EXPECT_EQ(post("/api/v1/signs", {{"name", "back"}, {"link", "tcp:127.0.0.1:9001"}}).status, 201);
}

TEST_F(ApiAccessTest, FailedLoginsAreRefusedThenSlowedDownAndAudited) {
    Reply r = send("POST", "/api/v1/session", R"({"user": "viewer", "password": "wrong password"})");
    EXPECT_EQ(r.status, 401);
    r = send("POST", "/api/v1/session", R"({"user": "viewer", "password": "viewer password"})");
    EXPECT_EQ(r.status, 429);
    EXPECT_EQ(r.errorCode(), "too-many-attempts");
    EXPECT_EQ(r.header("Retry-After"), "60");
    clock.advance(60001);
    EXPECT_EQ(send("POST", "/api/v1/session", R"({"user": "viewer", "password": "viewer password"})").status,
              200);
    r = get("/api/v1/audit?action=login&result=failed");
    ASSERT_EQ(r.status, 200) << r.body;
    ASSERT_EQ(r.json.size(), 1u);
    EXPECT_EQ(r.json[0]["target"], "user viewer");
}

// Every route with the least role that may call it. A route missing here fails the test.
struct Expected {
    const char* method;
    const char* path;   // ids filled in
    const char* least;  // "" for none
};
const Expected kRoutes[] = {
    {"GET", "/api/v1/health", ""},
    {"POST", "/api/v1/session", ""},
    {"GET", "/api/v1/session", "viewer"},
    {"DELETE", "/api/v1/session", "viewer"},
    {"GET", "/api/v1/signs", "viewer"},
    {"POST", "/api/v1/signs", "admin"},
    {"GET", "/api/v1/signs/{id}", "viewer"},
    {"PATCH", "/api/v1/signs/{id}", "admin"},
    {"DELETE", "/api/v1/signs/{id}", "admin"},
    {"GET", "/api/v1/signs/{id}/frame", "viewer"},
    {"GET", "/api/v1/signs/{id}/frames", "viewer"},
    {"GET", "/api/v1/frames", "viewer"},
    {"POST", "/api/v1/signs/{id}/pull", "operator"},
    {"GET", "/api/v1/programs/{id}/versions/{version}/preview", "viewer"},
    {"GET", "/api/v1/groups", "viewer"},
    {"POST", "/api/v1/groups", "admin"},
    {"GET", "/api/v1/groups/{id}", "viewer"},
    {"PATCH", "/api/v1/groups/{id}", "admin"},
    {"DELETE", "/api/v1/groups/{id}", "admin"},
    {"GET", "/api/v1/programs", "viewer"},
    {"POST", "/api/v1/programs", "operator"},
    {"POST", "/api/v1/programs/{id}/versions", "operator"},
    {"GET", "/api/v1/programs/{id}/versions/{version}/bundle", "viewer"},
    {"GET", "/api/v1/programs/{id}", "viewer"},
    {"DELETE", "/api/v1/programs/{id}", "operator"},
    {"GET", "/api/v1/programs/{id}/versions/{version}", "viewer"},
    {"GET", "/api/v1/jobs", "viewer"},
    {"POST", "/api/v1/jobs", "operator"},
    {"GET", "/api/v1/jobs/{id}", "viewer"},
    {"POST", "/api/v1/jobs/{id}/cancel", "operator"},
    {"GET", "/api/v1/users", "admin"},
    {"POST", "/api/v1/users", "admin"},
    {"PATCH", "/api/v1/users/{id}", "admin"},
    {"DELETE", "/api/v1/users/{id}", "admin"},
    {"GET", "/api/v1/settings", "admin"},
    {"PATCH", "/api/v1/settings", "admin"},
    {"GET", "/api/v1/audit", "admin"},
    {"GET", "/api/v1/calendar", "viewer"},
    {"POST", "/api/v1/calendar", "operator"},
    {"GET", "/api/v1/calendar/{id}", "viewer"},
    {"PATCH", "/api/v1/calendar/{id}", "operator"},
    {"DELETE", "/api/v1/calendar/{id}", "operator"},
    {"POST", "/api/v1/calendar/undo", "operator"},
    {"GET", "/api/v1/brightness-plans", "viewer"},
    {"POST", "/api/v1/brightness-plans", "operator"},
    {"GET", "/api/v1/brightness-plans/{id}", "viewer"},
    {"PATCH", "/api/v1/brightness-plans/{id}", "operator"},
    {"DELETE", "/api/v1/brightness-plans/{id}", "operator"},
    {"GET", "/api/v1/onoff-plans", "viewer"},
    {"POST", "/api/v1/onoff-plans", "operator"},
    {"GET", "/api/v1/onoff-plans/{id}", "viewer"},
    {"PATCH", "/api/v1/onoff-plans/{id}", "operator"},
    {"DELETE", "/api/v1/onoff-plans/{id}", "operator"},
    {"GET", "/api/v1/signs/{id}/plan", "viewer"},
    {"GET", "/api/v1/signs/{id}/compiled", "viewer"},
    {"GET", "/api/v1/holidays", "viewer"},
    {"GET", "/api/v1/holidays/designated", "viewer"},
    {"POST", "/api/v1/holidays/designated", "admin"},
    {"DELETE", "/api/v1/holidays/designated/{id}", "admin"},
    {"GET", "/api/v1/takeovers", "viewer"},
    {"POST", "/api/v1/takeovers", "operator"},
    {"GET", "/api/v1/takeovers/{id}", "viewer"},
    {"DELETE", "/api/v1/takeovers/{id}", "operator"},
};

TEST_F(ApiAccessTest, EachRoleMayCallExactlyTheRoutesOfItsRank) {
    std::set<std::string> registered, expected;
    for (const api::ApiRoute& r : api::apiRoutes()) registered.insert(r.method + " " + r.path);
    for (const Expected& e : kRoutes) expected.insert(std::string(e.method) + " " + e.path);
    EXPECT_EQ(registered, expected);

    const char* roles[] = {"viewer", "operator", "admin"};
    for (const Expected& e : kRoutes) {
        std::string path = e.path;
        // Ids of nothing: a role that may call gets past the checks to 404, 400 or the like.
        for (const char* p : {"{id}", "{version}"})
            if (const size_t at = path.find(p); at != std::string::npos)
                path.replace(at, std::strlen(p), "999");
        for (int rank = 0; rank < 3; ++rank) {
            if (std::string(e.path) == "/api/v1/session" && std::string(e.method) == "DELETE") continue;
            const Reply r = send(e.method, path, "{}", roles[rank]);
            const bool may = !*e.least || mayAct(*parseRole(roles[rank]), *parseRole(e.least));
            if (may) {
                EXPECT_TRUE(r.status != 401 && r.status != 403)
                    << e.method << " " << path << " as " << roles[rank] << ": " << r.status << " " << r.body;
            } else {
                EXPECT_EQ(r.status, 403)
                    << e.method << " " << path << " as " << roles[rank] << ": " << r.body;
            }
        }
        if (*e.least) {
            EXPECT_EQ(send(e.method, path, "{}").status, 401) << e.method << " " << path;
        }
    }
}

TEST_F(ApiAccessTest, BodiesMustBeJsonObjectsOfKnownFieldsAndTypesWithinTheLimit) {
    struct Case {
        std::string body;
        int status;
        const char* code;
    };
    const Case cases[] = {
        {"{\"name\": ", 400, "bad-request"},
        {"[1, 2]", 400, "invalid"},
        {R"({"name": "a", "link": "tcp:127.0.0.1:1", "colour": "red"})", 400, "invalid"},
        {R"({"name": 5, "link": "tcp:127.0.0.1:1"})", 400, "invalid"},
        {R"({"name": "a", "link": "tcp:127.0.0.1:1", "width": 6.5})", 400, "invalid"},
        {R"({"name": "a", "link": "tcp:127.0.0.1:1", "groups": ["x", 1]})", 400, "invalid"},
        {R"({"name": "a", "name": "b", "link": "tcp:127.0.0.1:1"})", 400, "bad-request"},
        {R"({"link": "tcp:127.0.0.1:1"})", 400, "invalid"},
        {R"({"name": "a", "link": "tcp:localhost:1"})", 422, "invalid"},
        {R"({"name": "a", "link": "serial:/dev/ttyS0@1234"})", 422, "invalid"},
        {R"({"name": "a", "link": "tcp:127.0.0.1:1", "width": 41})", 422, "invalid"},
        {R"({"name": "a\u0007", "link": "tcp:127.0.0.1:1"})", 422, "invalid"},
        {std::string(64, '[') + std::string(64, ']'), 400, "bad-request"},
    };
    for (const Case& c : cases) {
        const Reply r = send("POST", "/api/v1/signs", c.body, "admin");
        EXPECT_EQ(r.status, c.status) << c.body << ": " << r.body;
        EXPECT_EQ(r.errorCode(), c.code) << c.body << ": " << r.body;
    }
    Reply r = send("POST", "/api/v1/signs", R"({"name": "a", "link": "tcp:127.0.0.1:1"})", "admin", {},
                   "text/plain");
    EXPECT_EQ(r.status, 415);
    const std::string huge =
        R"({"name": "a", "link": "tcp:127.0.0.1:1", "notes": ")" + std::string(1 << 20, 'x') + "\"}";
    r = send("POST", "/api/v1/signs", huge, "admin");
    EXPECT_EQ(r.status, 413);
    EXPECT_EQ(r.errorCode(), "too-large");
    // The connection's next request is served as usual, and nothing was stored.
    EXPECT_EQ(get("/api/v1/signs").json.size(), 0u);
}

TEST_F(ApiAccessTest, EveryAnswerCarriesTheSecurityHeadersAndErrorsAreJson) {
    for (const Reply& r : {get("/api/v1/signs"), get("/api/v1/nothing"), get("/api/v1/signs", "")}) {
        EXPECT_EQ(r.header("X-Content-Type-Options"), "nosniff");
        EXPECT_EQ(r.header("X-Frame-Options"), "DENY");
        EXPECT_NE(r.header("Content-Security-Policy").find("default-src 'none'"), std::string::npos);
        EXPECT_EQ(r.header("Cache-Control"), "no-store");
    }
    Reply r = get("/api/v1/nothing");
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.errorCode(), "not-found");
    r = send("PUT", "/api/v1/signs", "{}", "admin");
    EXPECT_EQ(r.status, 405);
    EXPECT_EQ(r.errorCode(), "method-not-allowed");
    EXPECT_EQ(get("/api/v1/signs?sort=name").status, 400);
}

TEST(ApiServer, ListensOnlyOnLoopbackWithoutTlsOrAProxy) {
    testing::TempDir dir;
    ServiceClock clock;
    ServiceStore store;
    std::string error;
    ASSERT_TRUE(store.open(dir.file("d"), clock, error)) << error;
    Auth auth(store.users, store.audit, clock, fastAuthSettingsForTests());
    SignNetwork net(store, auth, clock);
    api::ApiOptions options;
    options.host = "0.0.0.0";
    options.port = 0;
    api::ApiServer open(net, options);
    EXPECT_FALSE(open.bind(error));
    EXPECT_NE(error.find("--behind-proxy"), std::string::npos) << error;
    options.certFile = dir.file("missing.pem");
    options.keyFile = dir.file("missing.key");
    api::ApiServer badTls(net, options);
    EXPECT_FALSE(badTls.bind(error));
    EXPECT_NE(error.find("missing.pem"), std::string::npos) << error;
    EXPECT_TRUE(api::isLoopbackHost("127.0.0.1"));
    EXPECT_TRUE(api::isLoopbackHost("::1"));
    EXPECT_FALSE(api::isLoopbackHost("10.0.0.1"));
}

}  // namespace
}  // namespace orb
