#pragma once
// "IP설정": "IP Address:" and "PORT:". While the port is typed, a value above 65535 goes back to
// the last valid one. "확인" refuses an address that is not four numbers 0..255 and a port that
// is empty or outside 0..65535, with the message, and the dialog stays open.
#include <QDialog>
#include <functional>

#include "editor/app/SignPrompts.h"

class QLineEdit;

namespace orb {

class IpSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    // How a refusal is shown; a message box unless told.
    using Refusal = std::function<void(QWidget* parent, const QString& text)>;

    explicit IpSettingsDialog(const TcpPeer& current, QWidget* parent = nullptr);
    void setRefusal(Refusal refusal) { refuse_ = std::move(refusal); }

    // Valid once the dialog was accepted.
    TcpPeer peer() const { return peer_; }

    QLineEdit* addressField() const { return address_; }
    QLineEdit* portField() const { return port_; }

    static const char* const kAddressRange;
    static const char* const kPortRange;
    static const char* const kPortEmpty;

  public slots:
    void accept() override;

  private:
    void portEdited(const QString& text);

    TcpPeer peer_;
    QLineEdit* address_;
    QLineEdit* port_;
    QString lastValidPort_;
    Refusal refuse_;
};

}  // namespace orb
