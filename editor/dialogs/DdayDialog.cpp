#include "editor/dialogs/DdayDialog.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orb {

DdayDialog::DdayDialog(const ItemHeader& header, const LinePayload& payload, int line,
                       const SignContext& sign, QWidget* parent, QDate today)
    : LineDialog(QString::fromUtf8("디데이"), ContentKind::Dday, header, payload, line, sign, parent),
      editor_(new SentenceEditor(sign, header.heightCode(line), this)),
      date_(new QDateEdit(this)),
      today_(today) {
    date_->setCalendarPopup(true);
    date_->setDisplayFormat("yyyy-MM-dd");
    date_->setDateRange(QDate(1900, 1, 1), QDate(9999, 12, 31));
    const DdayDate stored = header_.ddayDate(line);
    const QDate storedDate(stored.year, stored.month, stored.day);
    date_->setDate(sameKind_ && storedDate.isValid() ? storedDate : today_);
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("예정일:"), date_);
    layout_->addLayout(form);
    layout_->addWidget(new QLabel(QString::fromUtf8("디데이문장:"), this));
    layout_->addWidget(editor_);
    editor_->setPreviewDrawer([this, sign](const LinePayload& p, PlanePair& out) {
        const LineGeometry g{sign.signColumns, header_.heightCode(line_)};
        if (sign.fonts)
            drawDdayPreview(*sign.fonts, g, p, static_cast<int>(today_.daysTo(date_->date())), out);
    });
    connect(date_, &QDateEdit::dateChanged, editor_, &SentenceEditor::refresh);
    if (sameKind_) editor_->setSentence(payload_);
    finishLayout();
}

bool DdayDialog::collect() {
    if (!editor_->confirmUnshown(this)) return false;
    payload_ = editor_->payload();
    const QDate d = date_->date();
    header_.setDdayDate(line_, {static_cast<uint16_t>(d.year()), static_cast<uint8_t>(d.month()),
                                static_cast<uint8_t>(d.day())});
    header_.setKind(line_, ContentKind::Dday);
    complete_ = true;
    return true;
}

}  // namespace orb
