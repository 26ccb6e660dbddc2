#include "editor/app/SignPrompts.h"

#include <memory>

#include "editor/app/ChoiceListDialog.h"
#include "editor/app/IpSettingsDialog.h"
#include "editor/app/PortSettingsDialog.h"

namespace orb {

std::optional<SerialSettings> SignPrompts::askPortSettings(QWidget* parent, const SerialSettings& current) {
    PortSettingsDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.settings();
}

std::optional<TcpPeer> SignPrompts::askTcpPeer(QWidget* parent, const TcpPeer& current) {
    IpSettingsDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.peer();
}

std::optional<SignSize> SignPrompts::askSignSize(QWidget* parent, const SignSize& current) {
    std::unique_ptr<ChoiceListDialog> dialog(
        ChoiceListDialog::signSize(current.width, current.height, parent));
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return SignSize{static_cast<uint8_t>(dialog->chosen(1) + 5), static_cast<uint8_t>(dialog->chosen(0) + 1)};
}

std::optional<uint8_t> SignPrompts::askBrightness(QWidget* parent, uint8_t level) {
    std::unique_ptr<ChoiceListDialog> dialog(ChoiceListDialog::brightness(level, parent));
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return static_cast<uint8_t>(dialog->chosen(0));
}

}  // namespace orb
