#pragma once
// orbd (ORBD_PATH) started by a test on a free loopback port with its data folder in the test's
// folder, and called over HTTP with an API token.
#include <httplib.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"

namespace orb::testing {

class Orbd {
  public:
    Orbd(const TempDir& dir, const std::string& token) : token_(token) {
        process_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{ORBD_PATH, "--data", dir.file("data"), "--listen", "127.0.0.1:0"});
    }
    int port() const { return process_->port(); }
    // The calls from now on as the user of TOKEN.
    void useToken(const std::string& token) { token_ = token; }
    void kill() {
        ::kill(process_->pid(), SIGKILL);
        process_.reset();
    }
    int stop() { return process_->stop(); }

    nlohmann::json call(const std::string& method, const std::string& path, const std::string& body = {},
                        const std::string& type = "application/json", int* status = nullptr) {
        httplib::Client client("127.0.0.1", port());
        client.set_read_timeout(30, 0);
        httplib::Request req;
        req.method = method;
        req.path = path;
        req.headers = {{"Authorization", "Bearer " + token_}};
        if (!body.empty()) {
            req.body = body;
            req.headers.emplace("Content-Type", type);
        }
        const httplib::Result r = client.send(req);
        if (status) *status = r ? r->status : 0;
        return r ? nlohmann::json::parse(r->body, nullptr, false) : nlohmann::json();
    }

    // The body of a GET as it came; empty when it failed.
    std::string bytes(const std::string& path) {
        httplib::Client client("127.0.0.1", port());
        const httplib::Result r = client.Get(path, {{"Authorization", "Bearer " + token_}});
        return r && r->status == 200 ? r->body : std::string();
    }

    // The job once finished; its last state after 90 s otherwise.
    nlohmann::json finishedJob(int64_t id) {
        nlohmann::json job;
        for (int i = 0; i < 900; ++i) {
            job = call("GET", "/api/v1/jobs/" + std::to_string(id));
            const std::string state = job.value("state", "");
            if (state == "done" || state == "failed" || state == "cancelled") break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return job;
    }

  private:
    std::string token_;
    std::unique_ptr<ChildProcess> process_;
};

// A new user NAME with ROLE in the data folder of DIR, and an API token for them.
inline std::string addUserToken(const TempDir& dir, const std::string& name, const std::string& role) {
    const std::string data = " --data " + dir.file("data");
    if (runCommand("echo 'network password' | " ORBD_PATH + data + " user add " + name + " --role " + role)
            .status != 0)
        return {};
    const Outcome token = runCommand(ORBD_PATH + data + " token add " + name);
    return token.status == 0 ? token.output.substr(0, 64) : std::string();
}

}  // namespace orb::testing
