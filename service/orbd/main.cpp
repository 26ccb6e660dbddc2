// orbd, the sign network service.
//   orbd [--data DIR] [--listen HOST:PORT] [--tls-cert FILE --tls-key FILE] [--behind-proxy]
//        [--console DIR] [--fonts DIR] [--testing-clock "YYYY-MM-DD HH:MM:SS" [--testing-clock-rate R]]
//   orbd [--data DIR] user add NAME --role viewer|operator|admin    (the password on stdin, one line)
//   orbd [--data DIR] token add NAME [--expires YYYY-MM-DDTHH:MM:SS]  (the token on stdout, once)
// Logs one line per event on stderr; SIGTERM and SIGINT stop it cleanly.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "cli/CommandLine.h"
#include "image/WorkingFolder.h"
#include "link/TcpLink.h"
#include "service/core/DataFolder.h"
#include "service/core/CalendarScheduler.h"
#include "service/core/JobCoordinator.h"
#include "service/core/SignFrames.h"
#include "service/core/SignNetwork.h"
#include "service/http/ApiServer.h"
#include "simulator/headless/HeadlessRun.h"

namespace {

using namespace orb;

struct Options {
    std::string data;
    std::string listen = "127.0.0.1:8470";
    std::string certFile, keyFile;
    bool behindProxy = false;
    std::string console;
    std::string fonts;
    std::string testingClock;
    double testingClockRate = 1;
    // user add / token add
    std::string name, role, expires;
};

enum class Command { Serve, UserAdd, TokenAdd };

std::optional<int> parse(int argc, char** argv, Options& o, Command& command) {
    CLI::App app(
        "orbd, the sign network service: signs, groups, programs, verified pushes and their HTTP API.",
        "orbd");
    setUpCommandLine(app);
    app.add_option("--data", o.data, "the data folder (default: $ORBD_DATA, else $XDG_DATA_HOME/orb/orbd)")
        ->type_name("DIR");
    app.add_option("--listen", o.listen, "listen on HOST:PORT (default 127.0.0.1:8470; port 0: a free one)")
        ->type_name("HOST:PORT")
        ->check([](const std::string& text) {
            std::string host;
            uint16_t port = 0;
            return parseHostPort(text, host, port) ? std::string() : "needs HOST:PORT";
        });
    app.add_option("--tls-cert", o.certFile, "serve HTTPS with this certificate (PEM)")->type_name("FILE");
    app.add_option("--tls-key", o.keyFile, "the certificate's private key (PEM)")->type_name("FILE");
    app.add_flag("--behind-proxy", o.behindProxy,
                 "a reverse proxy gives TLS in front: listen on any address, clients from X-Forwarded-For");
    app.add_option("--console", o.console,
                   "the browser console's files (default: console/ beside orbd, else share/orb/console)")
        ->type_name("DIR");
    app.add_option("--fonts", o.fonts,
                   "the sign font folder, for the frames signs show (default: the usual places)")
        ->type_name("DIR");
    app.add_option("--testing-clock", o.testingClock, "for tests: run the clock from this local time")
        ->type_name("\"YYYY-MM-DD HH:MM:SS\"");
    app.add_option("--testing-clock-rate", o.testingClockRate, "for tests: the clock runs R times as fast")
        ->type_name("R")
        ->check(CLI::PositiveNumber);

    CLI::App* user = app.add_subcommand("user", "manage users")->require_subcommand(1);
    CLI::App* userAdd = user->add_subcommand("add", "add a user; the password is read from stdin (one line)");
    userAdd->add_option("NAME", o.name, "the user's name")->required();
    userAdd->add_option("--role", o.role, "what the user may do")
        ->required()
        ->check(CLI::IsMember({"viewer", "operator", "admin"}));
    CLI::App* token = app.add_subcommand("token", "manage API tokens")->require_subcommand(1);
    CLI::App* tokenAdd = token->add_subcommand("add", "make an API token acting as user NAME; printed once");
    tokenAdd->add_option("NAME", o.name, "the user the token acts as")->required();
    tokenAdd->add_option("--expires", o.expires, "when the token stops working")
        ->type_name("YYYY-MM-DDTHH:MM:SS");
    if (const std::optional<int> ended = parseCommandLine(app, argc, argv)) return ended;
    command = userAdd->parsed() ? Command::UserAdd : tokenAdd->parsed() ? Command::TokenAdd : Command::Serve;
    if (o.certFile.empty() != o.keyFile.empty()) {
        std::cerr << "orbd: --tls-cert and --tls-key go together\n";
        return 2;
    }
    return std::nullopt;
}

std::unique_ptr<ServiceClock> makeClock(const Options& o) {
    if (o.testingClock.empty()) return std::make_unique<ServiceClock>();
    LocalDateTime start;
    if (!parseLocalDateTime(o.testingClock, start) || !isCalendarDate(start.year, start.month, start.day))
        return nullptr;
    return std::make_unique<ServiceClock>(LocalTimestamp{start, 0}, o.testingClockRate);
}

// One line per event on stderr, each with the service's time.
std::function<void(const std::string&)> stderrLog(const ServiceClock& clock) {
    auto lock = std::make_shared<std::mutex>();
    return [&clock, lock](const std::string& line) {
        const std::string text = toIsoText(clock.now()) + " orbd: " + line + "\n";
        std::lock_guard guard(*lock);
        std::fputs(text.c_str(), stderr);
    };
}

int userAdd(SignNetwork& net, const Options& o) {
    std::string password;
    if (!std::getline(std::cin, password)) {
        std::cerr << "orbd: no password on stdin\n";
        return 1;
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    int64_t id = 0;
    const ServiceResult r = net.addUser(o.name, *parseRole(o.role), password, net.actor("orbd"), id);
    if (!r.ok()) {
        std::cerr << "orbd: " << r.message << "\n";
        return 1;
    }
    std::cout << "orbd: user " << o.name << " added as " << o.role << "\n";
    return 0;
}

int tokenAdd(SignNetwork& net, const Options& o) {
    std::string token;
    const ServiceResult r = net.addToken(o.name, o.expires.empty() ? std::nullopt : std::optional(o.expires),
                                         net.actor("orbd"), token);
    if (!r.ok()) {
        std::cerr << "orbd: " << r.message << "\n";
        return 1;
    }
    std::cout << token << "\n";
    return 0;
}

// Serves until SIGTERM or SIGINT: a thread waits for them (blocked everywhere else) and stops
// the server, whose loop then returns here.
int serve(SignNetwork& net, const ServiceSettings& settings, const Options& o) {
    api::ApiOptions options;
    uint16_t port = 0;
    parseHostPort(o.listen, options.host, port);
    options.port = port;
    options.certFile = o.certFile;
    options.keyFile = o.keyFile;
    options.behindProxy = o.behindProxy;
    options.consoleFolder = o.console.empty() ? api::defaultConsoleFolder(executableFolder()) : o.console;
    api::ApiServer server(net, options);
    std::string error;
    if (!server.bind(error)) {
        std::cerr << "orbd: " << error << "\n";
        return 1;
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    std::thread waiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        if (signal == SIGTERM || signal == SIGINT)
            net.logEvent(std::string("stopping on ") + (signal == SIGTERM ? "SIGTERM" : "SIGINT"));
        server.stop();
    });
    // Without the fonts the service runs on; only the frames signs show are refused.
    SignFonts fonts;
    std::string failed;
    if (!fonts.loadFonts(o.fonts.empty() ? defaultFontFolder() : o.fonts, failed))
        net.logEvent("no frames of what signs show: " + fonts.failureMessage(failed));
    SignFrames frames(net.store, net.clock, fonts);
    net.frames = &frames;
    // The jobs left unfinished run again, and the signs' checks start.
    JobCoordinator jobs(net, settings);
    jobs.start();
    // The calendar acts through jobs from now on: compiled days, settings and clocks.
    CalendarScheduler calendar(net, settings);
    calendar.start();
    net.logEvent("listening on " + server.address());
    std::cout << "orbd: listening on " << server.address() << std::endl;
    const bool served = server.serve();
    // The server may have ended by itself: wake the waiter.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    calendar.stop();
    jobs.stop();
    net.frames = nullptr;
    net.logEvent("stopped");
    return served ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    Command command = Command::Serve;
    if (const std::optional<int> ended = parse(argc, argv, o, command)) return *ended;
    // Blocked before any thread starts, so that every thread inherits it and only the waiter
    // takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    const std::unique_ptr<ServiceClock> clock = makeClock(o);
    if (!clock) {
        std::cerr << "orbd: --testing-clock needs \"YYYY-MM-DD HH:MM:SS\"\n";
        return 2;
    }
    if (!Auth::initialise()) {
        std::cerr << "orbd: libsodium cannot start\n";
        return 1;
    }
    ServiceStore store;
    std::string error;
    const auto use = command == Command::Serve ? ServiceStore::Use::Service : ServiceStore::Use::Command;
    if (!store.open(dataFolderPath(o.data), *clock, error, use)) {
        std::cerr << "orbd: " << error << "\n";
        return 1;
    }
    ServiceSettings settings;
    store.settings.load(settings);
    AuthSettings authSettings;
    authSettings.sessionMinutes = settings.sessionMinutes;
    Auth auth(store.users, store.audit, *clock, authSettings);
    SignNetwork net(store, auth, *clock);
    net.log = stderrLog(*clock);
    switch (command) {
        case Command::UserAdd:
            return userAdd(net, o);
        case Command::TokenAdd:
            return tokenAdd(net, o);
        case Command::Serve:
            break;
    }
    return serve(net, settings, o);
}
