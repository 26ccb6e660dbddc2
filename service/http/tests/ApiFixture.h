#pragma once
// The service on a scratch data folder, its API served in this process on a free loopback port,
// with a user of each role logged in.
#include <gtest/gtest.h>
#include <httplib.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "service/core/SignNetwork.h"
#include "service/http/ApiServer.h"
#include "testsupport/TempDir.h"

namespace orb::testing {

// A response: its status, headers and body (JSON parsed when it is JSON).
struct Reply {
    int status = 0;
    httplib::Headers headers;
    std::string body;
    nlohmann::json json;
    std::string header(const std::string& name) const {
        const auto it = headers.find(name);
        return it == headers.end() ? "" : it->second;
    }
    std::string errorCode() const {
        return json.is_object() && json.contains("error") ? json["error"].value("code", "") : "";
    }
};

class ApiFixture : public ::testing::Test {
  protected:
    void SetUp() override { start(api::ApiOptions{}); }
    void TearDown() override { stopServer(); }

    void start(api::ApiOptions options) {
        std::string error;
        ASSERT_TRUE(Auth::initialise());
        ASSERT_TRUE(store.open(dir.file("data"), clock, error)) << error;
        AuthSettings settings = fastAuthSettingsForTests();
        settings.firstLoginDelayMs = 60000;  // a retry right after a failure is always too soon
        auth = std::make_unique<Auth>(store.users, store.audit, clock, settings);
        net = std::make_unique<SignNetwork>(store, *auth, clock);
        options.host = "127.0.0.1";
        options.port = 0;
        server = std::make_unique<api::ApiServer>(*net, options);
        ASSERT_TRUE(server->bind(error)) << error;
        serving = std::thread([this] { server->serve(); });
        for (const char* role : {"viewer", "operator", "admin"}) {
            int64_t id = 0;
            ASSERT_TRUE(
                net->addUser(role, *parseRole(role), std::string(role) + " password", net->actor("setup"), id)
                    .ok());
            const Reply r =
                send("POST", "/api/v1/session",
                     nlohmann::json{{"user", role}, {"password", std::string(role) + " password"}}.dump());
            ASSERT_EQ(r.status, 200) << r.body;
            tokens[role] = r.json["token"];
        }
    }

    void stopServer() {
        if (server) server->stop();
        if (serving.joinable()) serving.join();
    }

    // Sends a request; TOKEN (a role's name or a token) as bearer unless empty.
    Reply send(const std::string& method, const std::string& path, const std::string& body = {},
               const std::string& token = {}, httplib::Headers headers = {},
               const std::string& contentType = "application/json") {
        httplib::Client client("127.0.0.1", server->port());
        client.set_read_timeout(30, 0);
        httplib::Request req;
        req.method = method;
        req.path = path;
        req.headers = std::move(headers);
        if (!token.empty()) {
            const auto it = tokens.find(token);
            req.headers.emplace("Authorization", "Bearer " + (it == tokens.end() ? token : it->second));
        }
        if (!body.empty() || method == "POST" || method == "PATCH") {
            req.body = body;
            req.headers.emplace("Content-Type", contentType);
        }
        const httplib::Result result = client.send(req);
        Reply r;
        if (!result) {
            ADD_FAILURE() << method << " " << path << ": no answer (" << httplib::to_string(result.error())
                          << ")";
            return r;
        }
        r.status = result->status;
        r.headers = result->headers;
        r.body = result->body;
        r.json = nlohmann::json::parse(r.body, nullptr, false);
        return r;
    }
    Reply get(const std::string& path, const std::string& token = "admin") {
        return send("GET", path, {}, token);
    }
    Reply post(const std::string& path, const nlohmann::json& body, const std::string& token = "admin") {
        return send("POST", path, body.dump(), token);
    }

    // A sign made through the API; its id.
    int64_t addSign(const std::string& name, std::vector<std::string> groups = {}) {
        const Reply r =
            post("/api/v1/signs", {{"name", name}, {"link", "tcp:127.0.0.1:9000"}, {"groups", groups}});
        EXPECT_EQ(r.status, 201) << r.body;
        return r.json.value("id", int64_t{0});
    }
    // A program version stored directly; its id.
    int64_t addProgram(const std::string& name, std::vector<uint8_t> storeBytes = std::vector<uint8_t>(16),
                       int items = 0) {
        int64_t id = 0;
        ProgramVersionInput in{"{}", std::move(storeBytes), items, {}};
        EXPECT_EQ(store.programs.add(name, in, net->actor("admin"), id), DbStatus::Ok);
        return id;
    }

    TempDir dir;
    ServiceClock clock{LocalTimestamp{{2025, 3, 1, 9, 0, 0}, 0}, 1};
    ServiceStore store;
    std::unique_ptr<Auth> auth;
    std::unique_ptr<SignNetwork> net;
    std::unique_ptr<api::ApiServer> server;
    std::thread serving;
    std::map<std::string, std::string> tokens;
};

}  // namespace orb::testing
