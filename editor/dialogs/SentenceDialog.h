#pragma once
// "문장입력": a sentence line's text and effect block.
#include "editor/dialogs/EffectBlockWidget.h"
#include "editor/dialogs/LineDialog.h"
#include "editor/dialogs/SentenceEditor.h"

namespace orb {

class SentenceDialog : public LineDialog {
    Q_OBJECT
  public:
    SentenceDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                   QWidget* parent = nullptr);
    SentenceEditor* editor() const { return editor_; }
    EffectBlockWidget* effects() const { return effects_; }

  protected:
    bool collect() override;

  private:
    SentenceEditor* editor_;
    EffectBlockWidget* effects_;
};

}  // namespace orb
