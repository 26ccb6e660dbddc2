#pragma once
// "제목과 문장": the title (line 1's payload) and the sentence (line 2's), each with its radios and
// preview, and line 2's effect block. Line 2 becomes a sentence; line 1's kind is left alone.
#include "editor/dialogs/EffectBlockWidget.h"
#include "editor/dialogs/LineDialog.h"
#include "editor/dialogs/SentenceEditor.h"

namespace orb {

class TitleSentenceDialog : public LineDialog {
    Q_OBJECT
  public:
    TitleSentenceDialog(const ItemHeader& header, const LinePayload& title, const LinePayload& sentence,
                        const SignContext& sign, QWidget* parent = nullptr);
    // payload() is the sentence's (line 2).
    const LinePayload& titlePayload() const { return title_; }
    SentenceEditor* titleEditor() const { return titleEditor_; }
    SentenceEditor* sentenceEditor() const { return sentenceEditor_; }
    EffectBlockWidget* effects() const { return effects_; }

  protected:
    bool collect() override;

  private:
    LinePayload title_;
    SentenceEditor* titleEditor_;
    SentenceEditor* sentenceEditor_;
    EffectBlockWidget* effects_;
};

}  // namespace orb
