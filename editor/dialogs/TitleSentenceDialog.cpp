#include "editor/dialogs/TitleSentenceDialog.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orb {

TitleSentenceDialog::TitleSentenceDialog(const ItemHeader& header, const LinePayload& title,
                                         const LinePayload& sentence, const SignContext& sign,
                                         QWidget* parent)
    : LineDialog(QString::fromUtf8("제목과 문장"), ContentKind::Sentence, header, sentence, 2, sign, parent),
      title_(title),
      titleEditor_(new SentenceEditor(sign, header.heightCode(1), this)),
      sentenceEditor_(new SentenceEditor(sign, header.heightCode(2), this)),
      effects_(new EffectBlockWidget(entryEffectsFor(ContentKind::Sentence), header_.effects(2), this)) {
    layout_->addWidget(new QLabel(QString::fromUtf8("제목:"), this));
    layout_->addWidget(titleEditor_);
    layout_->addWidget(new QLabel(QString::fromUtf8("문장:"), this));
    layout_->addWidget(sentenceEditor_);
    layout_->addWidget(effects_);
    titleEditor_->setSentence(title_);
    sentenceEditor_->setSentence(payload_);
    finishLayout();
}

bool TitleSentenceDialog::collect() {
    // One question for both texts.
    const QString unshown = titleEditor_->unshownCharacters() + sentenceEditor_->unshownCharacters();
    if (!unshown.isEmpty() &&
        showMessage(this, QString::fromUtf8("글자 확인"),
                    QString::fromUtf8("전광판에 없는 글자가 있습니다: %1\n그대로 저장할까요?").arg(unshown),
                    true) != QMessageBox::Yes)
        return false;
    title_ = titleEditor_->payload();
    payload_ = sentenceEditor_->payload();
    header_.setKind(2, ContentKind::Sentence);
    header_.setEffects(2, effects_->block());
    complete_ = !title_.text().empty() && !payload_.text().empty();
    return true;
}

}  // namespace orb
