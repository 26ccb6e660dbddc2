#include "editor/dialogs/HoldTimeDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "editor/dialogs/EffectBlockWidget.h"

namespace orb {

HoldTimeDialog::HoldTimeDialog(ContentKind kind, const ItemHeader& header, int line, QWidget* parent)
    : LineDialog(QString::fromUtf8(kind == ContentKind::Clock ? "시각표시" : "온도표시"), kind, header,
                 LinePayload{}, line, SignContext{}, parent),
      holdTime_(makeCodeList(holdTimes(), header_.effects(line).holdTime, this)) {
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("유지시간:"), holdTime_);
    layout_->addLayout(form);
    finishLayout();
}

bool HoldTimeDialog::collect() {
    EffectBlock e = header_.effects(line_);
    e.holdTime = static_cast<uint8_t>(holdTime_->currentIndex());
    header_.setEffects(line_, e);
    header_.setKind(line_, kind_);
    payload_ = LinePayload{};
    complete_ = true;
    return true;
}

}  // namespace orb
