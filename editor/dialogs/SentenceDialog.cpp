#include "editor/dialogs/SentenceDialog.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orb {

SentenceDialog::SentenceDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                               QWidget* parent)
    : LineDialog(QString::fromUtf8("문장입력"), start, line, heightCode, sign, parent),
      editor_(new SentenceEditor(sign, heightCode_, this)),
      effects_(new EffectBlockWidget(entryEffectsFor(ContentKind::Sentence), content_.effects, this)) {
    layout_->addWidget(new QLabel(QString::fromUtf8("문장:"), this));
    layout_->addWidget(editor_);
    layout_->addWidget(effects_);
    editor_->setSentence(content_.payload);
    finishLayout();
}

bool SentenceDialog::collect() {
    if (!editor_->confirmUnshown(this)) return false;
    content_.kind = ContentKind::Sentence;
    content_.payload = editor_->payload();
    content_.effects = effects_->block();
    return true;
}

}  // namespace orb
