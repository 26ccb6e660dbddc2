#pragma once
// The HTTP API under /api/v1 (cpp-httplib): routes from apiRoutes(), each behind the
// credentials, role and CSRF checks and body limits it needs; JSON errors; security headers;
// outside /api/ the browser console's files (ConsoleFiles).
// It listens only on loopback unless TLS is configured or it sits behind a reverse proxy.
#include <memory>
#include <string>

#include "service/http/ApiRoute.h"
#include "service/http/ConsoleFiles.h"

namespace httplib {
class Server;
}

namespace orb::api {

class ApiServer {
  public:
    ApiServer(SignNetwork& network, ApiOptions options);
    ~ApiServer();
    ApiServer(const ApiServer&) = delete;
    ApiServer& operator=(const ApiServer&) = delete;

    // Makes the server and binds its port; false with ERROR set when the address is refused (not
    // loopback without TLS or proxy), the certificate or key cannot be loaded, or the port is taken.
    bool bind(std::string& error);
    int port() const { return port_; }
    bool tls() const { return tls_; }
    // "http://HOST:PORT" (https with TLS).
    std::string address() const;

    // Serves until stop(), on the calling thread.
    bool serve();
    void stop();

  private:
    void install();
    void dispatch(const ApiRoute& route, const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader* reader);
    bool authenticate(const ApiRoute& route, const httplib::Request& req, httplib::Response& res,
                      Principal& who);
    bool readBody(const ApiRoute& route, const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader* reader, std::string& body);
    std::string clientAddress(const httplib::Request& req) const;

    SignNetwork& net_;
    ApiOptions options_;
    std::vector<ApiRoute> routes_;
    ConsoleFiles console_;
    FrameStreams streams_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    bool tls_ = false;
};

// Whether HOST is a loopback address ("127.x.x.x", "::1", "localhost").
bool isLoopbackHost(const std::string& host);

}  // namespace orb::api
