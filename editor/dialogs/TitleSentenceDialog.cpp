#include "editor/dialogs/TitleSentenceDialog.h"

#include <QLabel>
#include <QVBoxLayout>

#include "editor/dialogs/DialogButtons.h"

namespace orb {

namespace {

// The sentence's line starts under the title's.
SignContext below(SignContext sign, int titleHeight) {
    sign.lineTop += 16 * titleHeight;
    return sign;
}

}  // namespace

TitleSentenceDialog::TitleSentenceDialog(const TitleSentenceContent& start, int titleHeight,
                                         int sentenceHeight, const SignContext& sign, QWidget* parent)
    : QDialog(parent),
      content_(start),
      titleEditor_(new SentenceEditor(sign, titleHeight, this)),
      sentenceEditor_(new SentenceEditor(below(sign, titleHeight), sentenceHeight, this)),
      effects_(new EffectBlockWidget(entryEffectsFor(ContentKind::Sentence), start.effects, this)) {
    setWindowTitle(QString::fromUtf8("제목과 문장"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("제목:"), this));
    layout->addWidget(titleEditor_);
    layout->addWidget(new QLabel(QString::fromUtf8("문장:"), this));
    layout->addWidget(sentenceEditor_);
    layout->addWidget(effects_);
    titleEditor_->setSentence(content_.title);
    sentenceEditor_->setSentence(content_.sentence);
    layout->addWidget(okCancelButtons(this));
}

void TitleSentenceDialog::accept() {
    // One question for both texts.
    const QString unshown = titleEditor_->unshownCharacters() + sentenceEditor_->unshownCharacters();
    if (!confirmUnshownCharacters(this, unshown)) return;
    content_.title = titleEditor_->payload();
    content_.sentence = sentenceEditor_->payload();
    content_.effects = effects_->block();
    complete_ = isComplete(content_);
    if (!complete_) {
        showMessage(
            this, MessageKind::Warning, windowTitle(),
            QString::fromUtf8(content_.title.text().empty() ? "제목을 입력하십시오" : "문장을 입력하십시오"));
        (content_.title.text().empty() ? titleEditor_ : sentenceEditor_)->edit()->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace orb
