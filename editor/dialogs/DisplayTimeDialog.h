#pragma once
// "표출시간": the start and end of an item's display window, as hour and minute.
#include <QDialog>
#include <QTime>

#include "image/ItemHeader.h"

class QTimeEdit;

namespace orb {

class DisplayTimeDialog : public QDialog {
    Q_OBJECT
  public:
    // A stored hour above 24 or minute of 60 or more opens that picker at `now`.
    DisplayTimeDialog(const ClockTime& start, const ClockTime& end, QWidget* parent = nullptr,
                      QTime now = QTime::currentTime());
    ClockTime start() const { return start_; }
    ClockTime end() const { return end_; }
    QTimeEdit* startPicker() const { return startPicker_; }
    QTimeEdit* endPicker() const { return endPicker_; }

  private:
    QTimeEdit* picker(const ClockTime& stored, ClockTime& field, QTime now);
    ClockTime start_, end_;
    QTimeEdit* startPicker_;
    QTimeEdit* endPicker_;
};

}  // namespace orb
