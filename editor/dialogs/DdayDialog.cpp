#include "editor/dialogs/DdayDialog.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orb {

namespace {

DdayDate ddayDateOf(const QDate& d) {
    return {static_cast<uint16_t>(d.year()), static_cast<uint8_t>(d.month()), static_cast<uint8_t>(d.day())};
}

}  // namespace

DdayDialog::DdayDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                       QWidget* parent, QDate today)
    : LineDialog(QString::fromUtf8("디데이"), start, line, heightCode, sign, parent),
      editor_(new SentenceEditor(sign, heightCode_, this)),
      date_(new QDateEdit(this)),
      today_(today) {
    date_->setCalendarPopup(true);
    date_->setDisplayFormat("yyyy-MM-dd");
    date_->setDateRange(QDate(1900, 1, 1), QDate(9999, 12, 31));
    const DdayDate stored = content_.dday;
    const QDate storedDate(stored.year, stored.month, stored.day);
    date_->setDate(storedDate.isValid() ? storedDate : today_);
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("예정일:"), date_);
    layout_->addLayout(form);
    layout_->addWidget(new QLabel(QString::fromUtf8("디데이문장:"), this));
    layout_->addWidget(editor_);
    editor_->setPreviewDrawer([this](const LinePayload& p, PlanePair& out) {
        const LineGeometry g{sign_.signColumns, heightCode_};
        // Today as the sign's clock reads it.
        const ClockValues clock = readClock({today_.year(), today_.month(), today_.day(), 0, 0, 0});
        if (sign_.fonts) drawDdayPreview(*sign_.fonts, g, p, clock, ddayDateOf(date_->date()), out);
    });
    connect(date_, &QDateEdit::dateChanged, editor_, &SentenceEditor::refresh);
    editor_->setSentence(content_.payload);
    finishLayout();
}

bool DdayDialog::collect() {
    if (!editor_->confirmUnshown(this)) return false;
    content_.kind = ContentKind::Dday;
    content_.payload = editor_->payload();
    content_.dday = ddayDateOf(date_->date());
    return true;
}

}  // namespace orb
