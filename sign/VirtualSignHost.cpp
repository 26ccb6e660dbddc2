#include "sign/VirtualSignHost.h"

#include <cstdio>
#include <vector>

#include "image/BigEndian.h"
#include "image/ProgramImage.h"
#include "sign/SignMemoryFile.h"

namespace orb {

VirtualSignHost::VirtualSignHost(const SignFonts& fonts, LinkServerOptions link, std::string memoryPath,
                                 Now now)
    : server_(std::move(link), stopping_), memoryPath_(std::move(memoryPath)), now_(std::move(now)) {
    const auto [ms, pc] = now_();
    sign_ = std::make_unique<VirtualSign>(fonts, ms, pc);
}

VirtualSignHost::~VirtualSignHost() {
    stop();
}

std::string VirtualSignHost::loadMemory() {
    if (memoryPath_.empty()) return {};
    std::vector<uint8_t> saved;
    const MemoryFileResult r = openMemoryFile(memoryPath_, SignResponder::kMemoryBytes, saved);
    if (r == MemoryFileResult::Created) return {};
    if (r == MemoryFileResult::Ok) {
        std::lock_guard lock(mutex_);
        const auto [ms, pc] = now_();
        sign_->loadMemory(saved, ms, pc);  // of the right size
        measure();
        return {};
    }
    // Whatever the file holds stays there: the sign starts empty and saves nowhere.
    memoryRefused_ = true;
    const std::string refused = memoryFileRefusal(memoryPath_, r, SignResponder::kMemoryBytes);
    memoryPath_.clear();
    return refused + "; the sign starts empty and leaves it alone";
}

bool VirtualSignHost::open(std::string& error) {
    return server_.open(error);
}

ResponderTurn VirtualSignHost::receive(std::span<const uint8_t> in, Arrival arrival,
                                       std::vector<uint8_t>& out) {
    ResponderTurn turn;
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> log;
        const auto [ms, pc] = now_();
        bool applied = false;
        turn = sign_->receive(in, arrival, out, log, ms, pc, &applied);
        if (!log.empty()) lastCommand_ = log.back();
        if (applied) {
            measure();
            std::string error;
            if (!memoryPath_.empty() &&
                saveMemoryFile(memoryPath_, sign_->responder().memory(), error) != MemoryFileResult::Ok)
                std::fprintf(stderr, "Glimmer: cannot save the memory to %s: %s\n", memoryPath_.c_str(),
                             error.c_str());
        }
    }
    if (turn.delayMs > 0 && !pauseUnlessStopped(static_cast<uint64_t>(turn.delayMs), stopping_))
        turn.keep = false;
    return turn;
}

void VirtualSignHost::serve(const std::function<void()>& quiet) {
    server_.serve([this](std::span<const uint8_t> in, Arrival arrival,
                         std::vector<uint8_t>& out) { return receive(in, arrival, out); },
                  [this] {
                      std::lock_guard lock(mutex_);
                      sign_->reconnected();
                  },
                  quiet);
}

void VirtualSignHost::serveOnThread() {
    thread_ = std::thread([this] { serve(); });
}

void VirtualSignHost::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

void VirtualSignHost::measure() {
    const auto memory = sign_->responder().memory();
    size_t end = memory.size();
    while (end > 0 && memory[end - 1] == 0) --end;
    usedBytes_ = end;
}

int VirtualSignHost::itemCount() const {
    const auto memory = sign_->responder().memory();
    return readBe16(&memory[ProgramImage::kHeaderOffset + 2]);
}

}  // namespace orb
