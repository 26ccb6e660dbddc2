#include "editor/app/PortSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "editor/dialogs/DialogButtons.h"

namespace orb {

namespace {

constexpr int kPorts = 20;
constexpr std::array<int, 2> kDataBits = {7, 8};
// Shown order and the code each stands for (0 none, 1 odd, 2 even).
constexpr std::array<const char*, 3> kParityTexts = {"None", "Even", "Odd"};
constexpr std::array<int, 3> kParityCodes = {0, 2, 1};
constexpr std::array<const char*, 3> kStopTexts = {"1", "1.5", "2"};

// Fills LIST with TEXTS carrying VALUES and selects the entry of CURRENT (the first when none).
template <typename Texts, typename Values>
QComboBox* valueList(QWidget* parent, const Texts& texts, const Values& values, int current) {
    auto* list = new QComboBox(parent);
    int selected = 0;
    for (size_t i = 0; i < std::size(values); ++i) {
        list->addItem(texts(i), static_cast<int>(values[i]));
        if (static_cast<int>(values[i]) == current) selected = static_cast<int>(i);
    }
    list->setCurrentIndex(selected);
    return list;
}

int valueOf(const QComboBox* list) {
    return list->currentData().toInt();
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(const SerialSettings& current, QWidget* parent)
    : QDialog(parent), start_(current), port_(new QComboBox(this)) {
    setWindowTitle("포트설정");
    for (int n = 1; n <= kPorts; ++n)
        port_->addItem(QString("COM%1    %2").arg(n).arg(QString::fromStdString(deviceOfPort(n))), n);
    port_->setCurrentIndex(current.portNumber >= 1 && current.portNumber <= kPorts ? current.portNumber - 1
                                                                                   : 0);
    baud_ = valueList(
        this, [](size_t i) { return QString::number(kBaudRates[i]); }, kBaudRates,
        static_cast<int>(current.baud));
    dataBits_ = valueList(
        this, [](size_t i) { return QString::number(kDataBits[i]); }, kDataBits, current.dataBits);
    parity_ = valueList(
        this, [](size_t i) { return QString(kParityTexts[i]); }, kParityCodes, current.parity);
    const std::array<int, 3> stopCodes = {0, 1, 2};
    stopBits_ = valueList(
        this, [](size_t i) { return QString(kStopTexts[i]); }, stopCodes, current.stopBits);

    auto* form = new QFormLayout;
    form->addRow("포트:", port_);
    form->addRow("속도(bps):", baud_);
    form->addRow("데이터 비트:", dataBits_);
    form->addRow("패리티:", parity_);
    form->addRow("정지 비트:", stopBits_);
    auto* flowGroup = new QGroupBox("흐름제어", this);
    auto* flowRows = new QVBoxLayout(flowGroup);
    const char* const flowTexts[] = {"DTR / DSR", "RTS / CTS", "XON / XOFF"};
    for (size_t bit = 0; bit < flow_.size(); ++bit) {
        flow_[bit] = new QCheckBox(flowTexts[bit], flowGroup);
        flow_[bit]->setChecked(current.flowControl & (1 << bit));
        flowRows->addWidget(flow_[bit]);
    }
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(flowGroup);
    box->addWidget(okCancelButtons(this));
}

SerialSettings PortSettingsDialog::settings() const {
    SerialSettings s = start_;
    s.portNumber = port_->currentIndex() + 1;
    s.device = deviceOfPort(s.portNumber);
    s.baud = static_cast<uint32_t>(valueOf(baud_));
    s.dataBits = valueOf(dataBits_);
    s.parity = valueOf(parity_);
    s.stopBits = valueOf(stopBits_);
    return s;
}

}  // namespace orb
