#include "editor/dialogs/HoldTimeDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "editor/dialogs/EffectBlockWidget.h"

namespace orb {

HoldTimeDialog::HoldTimeDialog(const LineContent& start, int line, QWidget* parent)
    : LineDialog(QString::fromUtf8(start.kind == ContentKind::Clock ? "시각표시" : "온도표시"), start, line,
                 1, SignContext{}, parent),
      holdTime_(makeCodeList(holdTimes(), content_.effects.holdTime, this)) {
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("유지시간:"), holdTime_);
    layout_->addLayout(form);
    finishLayout();
}

bool HoldTimeDialog::collect() {
    content_.effects.holdTime = static_cast<uint8_t>(holdTime_->currentIndex());
    content_.payload = LinePayload{};
    return true;
}

}  // namespace orb
