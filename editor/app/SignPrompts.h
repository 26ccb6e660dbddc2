#pragma once
// The dialogs of the sign's settings: "포트설정", "IP설정", "규격" and "LED밝기". By default each
// runs its real dialog; tests give their own answers.
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "link/SerialPort.h"

class QWidget;

namespace orb {

struct TcpPeer {
    std::array<uint8_t, 4> ip{};
    uint16_t port = 0;
};

struct SignSize {
    uint8_t width = 6;   // columns, 5..40
    uint8_t height = 1;  // tiers, 1..8
};

class SignPrompts {
  public:
    virtual ~SignPrompts() = default;
    // Each gives nothing when cancelled.
    virtual std::optional<SerialSettings> askPortSettings(QWidget* parent, const SerialSettings& current);
    virtual std::optional<TcpPeer> askTcpPeer(QWidget* parent, const TcpPeer& current);
    virtual std::optional<SignSize> askSignSize(QWidget* parent, const SignSize& current);
    // The list position 0..9 of "1(최소밝기)" .. "10(최대밝기)".
    virtual std::optional<uint8_t> askBrightness(QWidget* parent, uint8_t level);
};

}  // namespace orb
