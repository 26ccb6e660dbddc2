#pragma once
// "디데이": the target date and the D-day line's text.
#include <QDate>

#include "editor/dialogs/LineDialog.h"
#include "editor/dialogs/SentenceEditor.h"

class QDateEdit;

namespace orb {

class DdayDialog : public LineDialog {
    Q_OBJECT
  public:
    // A line that was no D-day opens on TODAY.
    DdayDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
               QWidget* parent = nullptr, QDate today = QDate::currentDate());
    SentenceEditor* editor() const { return editor_; }
    QDateEdit* date() const { return date_; }

  protected:
    bool collect() override;

  private:
    SentenceEditor* editor_;
    QDateEdit* date_;
    QDate today_;
};

}  // namespace orb
