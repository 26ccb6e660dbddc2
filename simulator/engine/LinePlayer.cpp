#include "simulator/engine/LinePlayer.h"

#include <algorithm>
#include <cstring>

namespace orb {

void LinePlayer::setPeriod(int speedCode) {
    period_ = static_cast<uint8_t>(10 * (std::clamp(speedCode, 2, 6) - 1));
}

void LinePlayer::resetTick() {
    stepDone_ = false;
    shownSet_ = drawSet_ = 0;
}

void LinePlayer::renew(uint64_t nowMs) {
    if (nowMs <= deadline_) return;
    stepDone_ = false;
    deadline_ = nowMs + period_;
}

std::string_view LinePlayer::textView() const {
    return std::string_view(text.data(), ::strnlen(text.data(), text.size() - 1));
}

std::string_view LinePlayer::countView() const {
    return std::string_view(countText.data(), ::strnlen(countText.data(), countText.size()));
}

}  // namespace orb
