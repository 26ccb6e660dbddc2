// The API's JSON bodies on any bytes: the first byte picks a route that takes JSON, the rest is
// its body, handed to the route's handler as the server would after the credential checks (as an
// admin). Every body gets an answer: a status, and a JSON error whose code is a stable one, or a
// success; nothing is stored that the answer does not say was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "service/core/SignNetwork.h"
#include "service/http/ApiRoute.h"
#include "service/http/FrameStreams.h"

namespace {

using namespace orb;

struct Service {
    Service() {
        char pattern[] = "/tmp/fuzz_api.XXXXXX";
        folder = ::mkdtemp(pattern);
        std::string error;
        if (!Auth::initialise() || !store.open(folder + "/data", clock, error)) std::abort();
        // Durability costs a disk flush per change; the fuzzer wants executions.
        store.db.exec("PRAGMA synchronous=OFF");
        auth = std::make_unique<Auth>(store.users, store.audit, clock, fastAuthSettingsForTests());
        net = std::make_unique<SignNetwork>(store, *auth, clock);
        for (api::ApiRoute& r : api::apiRoutes())
            if (r.body == api::BodyKind::Json) routes.push_back(std::move(r));
        who.user = {1, "admin", Role::Admin, "2025-01-01T00:00:00.000"};
    }
    ~Service() { std::filesystem::remove_all(folder); }

    std::string folder;
    ServiceClock clock{LocalTimestamp{{2025, 1, 1, 0, 0, 0}, 0}, 1};
    ServiceStore store;
    std::unique_ptr<Auth> auth;
    std::unique_ptr<SignNetwork> net;
    std::vector<api::ApiRoute> routes;
    Principal who;
    api::ApiOptions options;
    api::FrameStreams streams;
};

const std::set<std::string> kCodes = {"bad-request", "invalid",   "not-found",         "conflict",
                                      "in-use",      "sign-busy", "too-many-attempts", "unauthorized"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Service service;
    if (size == 0) return 0;
    const api::ApiRoute& route = service.routes[data[0] % service.routes.size()];
    const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
    httplib::Request req;
    req.method = route.method;
    req.path = route.path;
    httplib::Response res;
    const Actor actor = service.net->actor("admin");
    api::ApiCall call{
        req, res, service.who, actor, body, *service.net, service.options, "127.0.0.1", service.streams};
    route.handler(call);
    if (res.status < 200 || res.status > 599) std::abort();
    if (res.status >= 400) {
        const nlohmann::json answer = nlohmann::json::parse(res.body, nullptr, false);
        if (answer.is_discarded() || !kCodes.count(answer["error"].value("code", ""))) std::abort();
    }
    return 0;
}
