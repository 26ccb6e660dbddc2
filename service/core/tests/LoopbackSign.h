#pragma once
// A sign answered in the test's own process: the link layer's responder served on a loopback
// port by a thread, so that a test reads the sign's memory and what its settings frames asked for
// without files or child processes. stop() takes the sign off the network (the port closed, the
// memory kept) and start() brings it back on the same port.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sign/SignLinkServer.h"
#include "sign/SignResponder.h"

namespace orb::testing {

class LoopbackSign {
  public:
    LoopbackSign() { start(); }
    ~LoopbackSign() { stop(); }
    LoopbackSign(const LoopbackSign&) = delete;
    LoopbackSign& operator=(const LoopbackSign&) = delete;

    // Listens (the first time on a free port) and serves; false when the port could not be had.
    bool start() {
        stop_ = false;
        LinkServerOptions options;
        options.tcp = "127.0.0.1:" + std::to_string(port_);
        server_ = std::make_unique<SignLinkServer>(options, stop_);
        std::string error;
        if (!server_->open(error)) return false;
        port_ =
            static_cast<uint16_t>(std::stoi(server_->address().substr(server_->address().rfind(':') + 1)));
        thread_ = std::thread([this] {
            server_->serve(
                [this](std::span<const uint8_t> in, Arrival arrival, std::vector<uint8_t>& out) {
                    std::lock_guard lock(mutex_);
                    std::vector<std::string> log;
                    return responder_.feed(in, arrival, out, log);
                },
                [this] {
                    std::lock_guard lock(mutex_);
                    responder_.reconnected();
                });
        });
        return true;
    }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        server_.reset();
    }

    uint16_t port() const { return port_; }

    // F(responder) with the sign between frames.
    template <typename F>
    auto with(F f) {
        std::lock_guard lock(mutex_);
        return f(std::as_const(responder_));
    }

  private:
    std::mutex mutex_;
    SignResponder responder_;
    std::atomic<bool> stop_{false};
    std::unique_ptr<SignLinkServer> server_;
    std::thread thread_;
    uint16_t port_ = 0;
};

}  // namespace orb::testing
