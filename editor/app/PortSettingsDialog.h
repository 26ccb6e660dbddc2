#pragma once
// "포트설정": the COM port (each shown with the device it stands for), the baud rate, data bits,
// parity, stop bits and the "흐름제어" boxes. The boxes show the flow-control flags as they are;
// the line always runs without handshake, so ticking them changes nothing.
#include <QDialog>
#include <array>

#include "link/SerialPort.h"

class QCheckBox;
class QComboBox;

namespace orb {

class PortSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    // A value of CURRENT that is in no list selects the list's first entry, whose value then
    // replaces it.
    explicit PortSettingsDialog(const SerialSettings& current, QWidget* parent = nullptr);

    // The chosen settings; the flow-control flags as they were given.
    SerialSettings settings() const;

    QComboBox* portList() const { return port_; }
    QComboBox* baudList() const { return baud_; }
    QComboBox* dataBitsList() const { return dataBits_; }
    QComboBox* parityList() const { return parity_; }
    QComboBox* stopBitsList() const { return stopBits_; }
    const std::array<QCheckBox*, 3>& flowBoxes() const { return flow_; }

  private:
    SerialSettings start_;
    QComboBox* port_;
    QComboBox* baud_;
    QComboBox* dataBits_;
    QComboBox* parity_;
    QComboBox* stopBits_;
    std::array<QCheckBox*, 3> flow_{};
};

}  // namespace orb
