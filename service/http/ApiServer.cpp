#include "service/http/ApiServer.h"

#include <httplib.h>

#include <chrono>
#include <regex>

#include "image/DecimalNumber.h"
#include "service/http/ApiError.h"
#include "service/http/ConsoleFiles.h"

namespace orb::api {

namespace {

// The request's Accept-Encoding without brotli. httplib compresses for brotli at its slowest
// setting (over 100 ms for a list of 200 signs, against a few for gzip), so clients that accept
// both are answered with gzip.
void dropBrotli(httplib::Request& req) {
    const auto it = req.headers.find("Accept-Encoding");
    if (it == req.headers.end()) return;
    std::string kept;
    size_t start = 0;
    while (start <= it->second.size()) {
        const size_t comma = std::min(it->second.find(',', start), it->second.size());
        const std::string token = it->second.substr(start, comma - start);
        const size_t first = token.find_first_not_of(" \t");
        const std::string name =
            first == std::string::npos ? "" : token.substr(first, token.find_first_of(" \t;", first) - first);
        if (!name.empty() && name != "br") kept += (kept.empty() ? "" : ", ") + token.substr(first);
        start = comma + 1;
    }
    it->second = kept;
}

// "{id}" and the like become a group of digits.
std::string routePattern(const std::string& path) {
    static const std::regex parameter(R"(\{[a-z]+\})");
    return std::regex_replace(path, parameter, R"((\d{1,18}))");
}

// The value of cookie NAME in the Cookie header, or "".
std::string cookieValue(const httplib::Request& req, const std::string& name) {
    const std::string header = req.get_header_value("Cookie");
    size_t at = 0;
    while (at < header.size()) {
        size_t end = header.find(';', at);
        if (end == std::string::npos) end = header.size();
        std::string part = header.substr(at, end - at);
        const size_t start = part.find_first_not_of(' ');
        part = start == std::string::npos ? "" : part.substr(start);
        if (part.size() > name.size() && part.compare(0, name.size(), name) == 0 && part[name.size()] == '=')
            return part.substr(name.size() + 1);
        at = end + 1;
    }
    return {};
}

bool mediaTypeIs(const httplib::Request& req, const std::string& type) {
    std::string value = req.get_header_value("Content-Type");
    value = value.substr(0, value.find(';'));
    while (!value.empty() && value.back() == ' ') value.pop_back();
    for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return value == type;
}

bool changesState(const std::string& method) {
    return method != "GET" && method != "HEAD";
}

}  // namespace

std::string presentedToken(const httplib::Request& req) {
    const std::string authorization = req.get_header_value("Authorization");
    if (!authorization.empty()) return authorization.rfind("Bearer ", 0) == 0 ? authorization.substr(7) : "";
    return cookieValue(req, kSessionCookie);
}

int64_t ApiCall::pathId(int n) const {
    const auto v = n < static_cast<int>(req.matches.size())
                       ? parseDecimal(req.matches[n].str(), 0, uint64_t{999999999999999999})
                       : std::nullopt;
    return v ? static_cast<int64_t>(*v) : -1;
}

bool isLoopbackHost(const std::string& host) {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

ApiServer::ApiServer(SignNetwork& network, ApiOptions options)
    : net_(network),
      options_(std::move(options)),
      routes_(apiRoutes()),
      console_(options_.consoleFolder),
      streams_(options_.frameStreams) {}

ApiServer::~ApiServer() {
    stop();
}

std::string ApiServer::address() const {
    const std::string host =
        options_.host.find(':') != std::string::npos ? "[" + options_.host + "]" : options_.host;
    return std::string(tls_ ? "https://" : "http://") + host + ":" + std::to_string(port_);
}

bool ApiServer::bind(std::string& error) {
    tls_ = !options_.certFile.empty() && !options_.keyFile.empty();
    if (!tls_ && !options_.behindProxy && !isLoopbackHost(options_.host)) {
        error = "listening on " + options_.host +
                " needs TLS (--tls-cert, --tls-key) or --behind-proxy; without them orbd listens only on "
                "loopback";
        return false;
    }
    if (tls_) {
        auto ssl = std::make_unique<httplib::SSLServer>(options_.certFile.c_str(), options_.keyFile.c_str());
        if (!ssl->is_valid()) {
            error = "the TLS certificate " + options_.certFile + " or key " + options_.keyFile +
                    " cannot be loaded";
            return false;
        }
        server_ = std::move(ssl);
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    install();
    port_ = options_.port == 0 ? server_->bind_to_any_port(options_.host)
                               : (server_->bind_to_port(options_.host, options_.port) ? options_.port : -1);
    if (port_ <= 0) {
        error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port);
        return false;
    }
    return true;
}

bool ApiServer::serve() {
    return server_ && server_->listen_after_bind();
}

void ApiServer::stop() {
    streams_.stop();
    if (server_) server_->stop();
}

std::string ApiServer::clientAddress(const httplib::Request& req) const {
    if (options_.behindProxy) {
        // The proxy appends the address it was reached from.
        std::string forwarded = req.get_header_value("X-Forwarded-For");
        const size_t comma = forwarded.rfind(',');
        if (comma != std::string::npos) forwarded = forwarded.substr(comma + 1);
        const size_t start = forwarded.find_first_not_of(' ');
        if (start != std::string::npos) return forwarded.substr(start);
    }
    return req.remote_addr;
}

void ApiServer::install() {
    httplib::Headers headers = {
        {"X-Content-Type-Options", "nosniff"},
        {"X-Frame-Options", "DENY"},
        {"Referrer-Policy", "no-referrer"},
        {"Content-Security-Policy", "default-src 'none'; frame-ancestors 'none'"},
        {"Cache-Control", "no-store"},
    };
    if (tls_) headers.emplace("Strict-Transport-Security", "max-age=31536000");
    server_->set_default_headers(headers);
    server_->set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        // The server's own request object, not a constant one: narrowing a header is safe.
        dropBrotli(const_cast<httplib::Request&>(req));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // A connection is served on a thread of a fixed pool for as long as it lasts, and a frame
    // stream lasts as long as its page is open: the pool holds a thread for every stream the
    // limit lets open plus the ordinary requests' own, so streams never starve them.
    const size_t threads = static_cast<size_t>(streams_.poolThreads());
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server_->set_payload_max_length(std::max(options_.jsonBodyLimit, options_.bundleBodyLimit));
    for (const ApiRoute& route : routes_) {
        const std::string pattern = routePattern(route.path);
        const ApiRoute* r = &route;
        if (route.method == "GET") {
            server_->Get(pattern, [this, r](const httplib::Request& req, httplib::Response& res) {
                dispatch(*r, req, res, nullptr);
            });
            continue;
        }
        const auto handler = [this, r](const httplib::Request& req, httplib::Response& res,
                                       const httplib::ContentReader& reader) {
            dispatch(*r, req, res, &reader);
        };
        if (route.method == "POST") server_->Post(pattern, handler);
        if (route.method == "PUT") server_->Put(pattern, handler);
        if (route.method == "PATCH") server_->Patch(pattern, handler);
        if (route.method == "DELETE") server_->Delete(pattern, handler);
    }
    if (console_.available())
        console_.install(*server_);
    else if (!options_.consoleFolder.empty())
        net_.logEvent("the console's folder " + options_.consoleFolder +
                      " is missing: only the API is served");
    server_->set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return;
        if (res.status == 413) return sendError(res, 413, code::kTooLarge, "the body is larger than allowed");
        if (res.status == 404) {
            for (const ApiRoute& route : routes_)
                if (std::regex_match(req.path, std::regex(routePattern(route.path))))
                    return sendError(res, 405, code::kMethodNotAllowed,
                                     req.method + " is not allowed on " + req.path);
            return sendError(res, 404, code::kNotFound, "no such resource: " + req.path);
        }
        sendError(res, res.status, res.status >= 500 ? code::kInternal : code::kBadRequest,
                  "the request cannot be served");
    });
    server_->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        sendError(res, 500, code::kInternal, "the request failed inside orbd");
    });
    server_->set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        net_.logEvent("http " + clientAddress(req) + " " + req.method + " " + req.path + " " +
                      std::to_string(res.status));
    });
}

bool ApiServer::authenticate(const ApiRoute& route, const httplib::Request& req, httplib::Response& res,
                             Principal& who) {
    if (!route.role) return true;
    AuthCheck check = AuthCheck::Invalid;
    const std::string authorization = req.get_header_value("Authorization");
    const std::string cookie = cookieValue(req, kSessionCookie);
    if (!authorization.empty()) {
        if (authorization.rfind("Bearer ", 0) == 0) check = net_.auth.byBearer(authorization.substr(7), who);
    } else if (!cookie.empty()) {
        check = net_.auth.byCookie(cookie, who);
    } else {
        res.set_header("WWW-Authenticate", "Bearer");
        sendError(res, 401, code::kUnauthorized,
                  "credentials are needed: a bearer token or a session cookie");
        return false;
    }
    if (check == AuthCheck::Failed) {
        sendError(res, 500, code::kStorageFailed, "the credentials could not be checked");
        return false;
    }
    if (check != AuthCheck::Ok) {
        res.set_header("WWW-Authenticate", "Bearer");
        sendError(res, 401, code::kUnauthorized, "the credentials are not valid or have expired");
        return false;
    }
    if (!mayAct(who.user.role, *route.role)) {
        sendError(res, 403, code::kForbidden,
                  std::string("the role ") + toText(who.user.role) + " may not do this; it needs " +
                      toText(*route.role));
        return false;
    }
    if (who.byCookie && changesState(route.method) &&
        !sameSecret(req.get_header_value("X-CSRF-Token"), who.csrf)) {
        sendError(res, 403, code::kCsrf, "a session cookie needs its CSRF token in X-CSRF-Token");
        return false;
    }
    return true;
}

bool ApiServer::readBody(const ApiRoute& route, const httplib::Request& req, httplib::Response& res,
                         const httplib::ContentReader* reader, std::string& body) {
    const size_t limit = route.body == BodyKind::Zip ? options_.bundleBodyLimit : options_.jsonBodyLimit;
    bool tooLarge = false;
    if (reader) {
        (*reader)([&](const char* data, size_t length) {
            if (body.size() + length > limit) tooLarge = true;
            if (!tooLarge) body.append(data, length);
            return true;  // the rest is read and dropped, so that the reply arrives whole
        });
    }
    if (tooLarge) {
        sendError(res, 413, code::kTooLarge, "the body is larger than " + std::to_string(limit) + " bytes");
        return false;
    }
    if (route.body == BodyKind::None || (route.body == BodyKind::OptionalJson && body.empty())) return true;
    const char* type = route.body == BodyKind::Zip ? "application/zip" : "application/json";
    if (!mediaTypeIs(req, type)) {
        sendError(res, 415, code::kUnsupportedMedia, std::string("the body must be ") + type);
        return false;
    }
    return true;
}

void ApiServer::dispatch(const ApiRoute& route, const httplib::Request& req, httplib::Response& res,
                         const httplib::ContentReader* reader) {
    Principal who;
    if (!authenticate(route, req, res, who)) {
        // Read and drop the body (the server's payload limit bounds it), so that the client,
        // still sending, gets the answer rather than a broken connection.
        if (reader) (*reader)([](const char*, size_t) { return true; });
        return;
    }
    std::string body;
    if (!readBody(route, req, res, reader, body)) return;
    const Actor actor = net_.actor(who.user.name);
    ApiCall call{req, res, who, actor, body, net_, options_, clientAddress(req), streams_};
    route.handler(call);
}

}  // namespace orb::api
