#pragma once
// "제목과 문장": the title (line 1's payload) and the sentence (line 2's), each with its radios and
// preview, and line 2's effect block.
#include <QDialog>

#include "editor/core/LineContent.h"
#include "editor/dialogs/DialogSupport.h"
#include "editor/dialogs/EffectBlockWidget.h"
#include "editor/dialogs/SentenceEditor.h"

namespace orb {

class TitleSentenceDialog : public QDialog {
    Q_OBJECT
  public:
    // titleHeight, sentenceHeight: the two lines' height codes, for the previews.
    TitleSentenceDialog(const TitleSentenceContent& start, int titleHeight, int sentenceHeight,
                        const SignContext& sign, QWidget* parent = nullptr);
    const TitleSentenceContent& content() const { return content_; }
    bool complete() const { return complete_; }
    SentenceEditor* titleEditor() const { return titleEditor_; }
    SentenceEditor* sentenceEditor() const { return sentenceEditor_; }
    EffectBlockWidget* effects() const { return effects_; }
    void accept() override;

  private:
    TitleSentenceContent content_;
    SentenceEditor* titleEditor_;
    SentenceEditor* sentenceEditor_;
    EffectBlockWidget* effects_;
    bool complete_ = false;
};

}  // namespace orb
