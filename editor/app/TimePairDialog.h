#pragma once
// Two times of day, hour and minute: "표출시간" (an item's display window: "표출시작시간:",
// "표출마감시간:") and "ON/OFF시간" (the sign's "ON시간:", "OFF시간:").
#include <QDialog>

#include "image/ItemHeader.h"

class QTimeEdit;

namespace orb {

struct TimePairTexts {
    const char* title;
    const char* first;
    const char* second;
};

inline constexpr TimePairTexts kDisplayTimeTexts{"표출시간", "표출시작시간:", "표출마감시간:"};
inline constexpr TimePairTexts kOnOffTimeTexts{"ON/OFF시간", "ON시간:", "OFF시간:"};

class TimePairDialog : public QDialog {
    Q_OBJECT
  public:
    // A stored time that is no time of day (hour above 23, minute above 59) opens at the current time.
    TimePairDialog(const TimePairTexts& texts, const ClockTime& first, const ClockTime& second,
                   QWidget* parent = nullptr);

    ClockTime first() const;
    ClockTime second() const;

  private:
    QTimeEdit* first_;
    QTimeEdit* second_;
};

}  // namespace orb
