#include "editor/app/TimePairDialog.h"

#include <QFormLayout>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "editor/dialogs/DialogButtons.h"

namespace orb {

namespace {

QTimeEdit* timePicker(const ClockTime& t, QWidget* parent) {
    auto* picker = new QTimeEdit(parent);
    picker->setDisplayFormat("HH:mm");
    const bool valid = t.hour < 24 && t.minute < 60;
    picker->setTime(valid ? QTime(t.hour, t.minute) : QTime::currentTime());
    return picker;
}

ClockTime clockTimeOf(const QTimeEdit* picker) {
    const QTime t = picker->time();
    return {static_cast<uint8_t>(t.hour()), static_cast<uint8_t>(t.minute())};
}

}  // namespace

TimePairDialog::TimePairDialog(const TimePairTexts& texts, const ClockTime& first, const ClockTime& second,
                               QWidget* parent)
    : QDialog(parent), first_(timePicker(first, this)), second_(timePicker(second, this)) {
    setWindowTitle(texts.title);
    auto* form = new QFormLayout;
    form->addRow(texts.first, first_);
    form->addRow(texts.second, second_);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(okCancelButtons(this));
}

ClockTime TimePairDialog::first() const {
    return clockTimeOf(first_);
}
ClockTime TimePairDialog::second() const {
    return clockTimeOf(second_);
}

}  // namespace orb
