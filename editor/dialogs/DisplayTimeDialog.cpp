#include "editor/dialogs/DisplayTimeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace orb {

DisplayTimeDialog::DisplayTimeDialog(const ClockTime& start, const ClockTime& end, QWidget* parent, QTime now)
    : QDialog(parent), start_(start), end_(end) {
    setWindowTitle(QString::fromUtf8("표출시간"));
    startPicker_ = picker(start, start_, now);
    endPicker_ = picker(end, end_, now);
    auto* box = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("표출시작시간:"), startPicker_);
    form->addRow(QString::fromUtf8("표출마감시간:"), endPicker_);
    box->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->addWidget(buttons);
}

QTimeEdit* DisplayTimeDialog::picker(const ClockTime& stored, ClockTime& field, QTime now) {
    auto* edit = new QTimeEdit(this);
    edit->setDisplayFormat("HH:mm");
    // Hour 24 is let through as the description's rule has it and shows as midnight.
    const bool outOfRange = stored.hour > 24 || stored.minute >= 60;
    const QTime shown = outOfRange ? QTime(now.hour(), now.minute()) : QTime(stored.hour % 24, stored.minute);
    edit->setTime(shown);
    field = {static_cast<uint8_t>(shown.hour()), static_cast<uint8_t>(shown.minute())};
    if (!outOfRange) field = stored.hour == 24 ? ClockTime{0, stored.minute} : stored;
    connect(edit, &QTimeEdit::timeChanged, this, [&field](QTime t) {
        field = {static_cast<uint8_t>(t.hour()), static_cast<uint8_t>(t.minute())};
    });
    return edit;
}

}  // namespace orb
