#pragma once
// "시각표시" and "온도표시": the hold time of a clock or temperature line, nothing else.
#include "editor/dialogs/LineDialog.h"

class QComboBox;

namespace orb {

class HoldTimeDialog : public LineDialog {
    Q_OBJECT
  public:
    // start.kind is ContentKind::Clock or ContentKind::Temperature.
    HoldTimeDialog(const LineContent& start, int line, QWidget* parent = nullptr);
    QComboBox* holdTime() const { return holdTime_; }

  protected:
    bool collect() override;

  private:
    QComboBox* holdTime_;
};

}  // namespace orb
