#include "editor/app/IpSettingsDialog.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "editor/core/LinkChoice.h"
#include "editor/dialogs/DialogButtons.h"
#include "editor/dialogs/DialogSupport.h"

namespace orb {

const char* const IpSettingsDialog::kAddressRange = "0에서 255 사이의 정수를 입력하십시오.";
const char* const IpSettingsDialog::kPortRange = "0에서 65535 사이의 정수를 입력하십시오.";
const char* const IpSettingsDialog::kPortEmpty = "정수를 입력하십시오.";

namespace {

void refusalBox(QWidget* parent, const QString& text) {
    showMessage(parent, MessageKind::Warning, "Orb", text);
}

}  // namespace

IpSettingsDialog::IpSettingsDialog(const TcpPeer& current, QWidget* parent)
    : QDialog(parent),
      peer_(current),
      address_(new QLineEdit(QString::fromStdString(dottedAddress(current.ip)), this)),
      port_(new QLineEdit(QString::number(current.port), this)),
      lastValidPort_(port_->text()),
      refuse_(refusalBox) {
    setWindowTitle("IP설정");
    address_->setObjectName("ipAddress");
    port_->setObjectName("ipPort");
    // Digits and dots only, as an address control takes; the numbers are checked on "확인".
    address_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.]{0,15}"), address_));
    port_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,5}"), port_));
    address_->setMinimumWidth(160);
    connect(port_, &QLineEdit::textEdited, this, &IpSettingsDialog::portEdited);
    auto* form = new QFormLayout;
    form->addRow("IP Address:", address_);
    form->addRow("PORT:", port_);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(okCancelButtons(this));
}

void IpSettingsDialog::portEdited(const QString& text) {
    uint16_t port = 0;
    if (text.isEmpty() || parseTcpPort(text.toStdString(), port))
        lastValidPort_ = text;
    else
        port_->setText(lastValidPort_);
}

void IpSettingsDialog::accept() {
    TcpPeer chosen;
    const auto ip = parseIpText(address_->text().trimmed().toStdString());
    if (!ip) {
        refuse_(this, kAddressRange);
        address_->setFocus();
        return;
    }
    chosen.ip = *ip;
    if (port_->text().isEmpty() || !parseTcpPort(port_->text().toStdString(), chosen.port)) {
        refuse_(this, port_->text().isEmpty() ? kPortEmpty : kPortRange);
        port_->setFocus();
        return;
    }
    peer_ = chosen;
    QDialog::accept();
}

}  // namespace orb
