#include "editor/dialogs/SentenceDialog.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orb {

SentenceDialog::SentenceDialog(const ItemHeader& header, const LinePayload& payload, int line,
                               const SignContext& sign, QWidget* parent)
    : LineDialog(QString::fromUtf8("문장입력"), ContentKind::Sentence, header, payload, line, sign, parent),
      editor_(new SentenceEditor(sign, header.heightCode(line), this)),
      effects_(new EffectBlockWidget(entryEffectsFor(ContentKind::Sentence), header_.effects(line), this)) {
    layout_->addWidget(new QLabel(QString::fromUtf8("문장:"), this));
    layout_->addWidget(editor_);
    layout_->addWidget(effects_);
    if (sameKind_) editor_->setSentence(payload_);
    finishLayout();
}

bool SentenceDialog::collect() {
    if (!editor_->confirmUnshown(this)) return false;
    payload_ = editor_->payload();
    header_.setEffects(line_, effects_->block());
    header_.setKind(line_, ContentKind::Sentence);
    complete_ = !payload_.text().empty();
    return true;
}

}  // namespace orb
