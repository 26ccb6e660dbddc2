#include "editor/dialogs/EffectBlockWidget.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>

namespace orb {

QComboBox* makeCodeList(CodeList labels, int stored, QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const char* label : labels) box->addItem(QString::fromUtf8(label));
    // A stored value past the list (a damaged record) shows the first entry.
    box->setCurrentIndex(stored >= 0 && stored < box->count() ? stored : 0);
    return box;
}

EffectBlockWidget::EffectBlockWidget(CodeList entryEffects, const EffectBlock& block, QWidget* parent)
    : QWidget(parent), block_(block) {
    struct Row {
        const char* label;
        CodeList labels;
        uint8_t EffectBlock::*field;
    };
    const Row rows[7] = {
        {"입장효과:", entryEffects, &EffectBlock::entry},  {"유지효과:", holdEffects(), &EffectBlock::hold},
        {"퇴장효과:", exitEffects(), &EffectBlock::exit},  {"유지시간:", holdTimes(), &EffectBlock::holdTime},
        {"입장속도:", speeds(), &EffectBlock::entrySpeed}, {"유지속도:", speeds(), &EffectBlock::holdSpeed},
        {"퇴장속도:", speeds(), &EffectBlock::exitSpeed},
    };
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < 7; ++i) {
        const Row& r = rows[i];
        QComboBox* box = makeCodeList(r.labels, block_.*(r.field), this);
        // A stored value outside the list is corrected to what the list shows.
        block_.*(r.field) = static_cast<uint8_t>(box->currentIndex());
        lists_[i] = box;
        const auto field = r.field;
        connect(box, &QComboBox::currentIndexChanged, this, [this, field](int index) {
            if (index >= 0) block_.*field = static_cast<uint8_t>(index);
        });
        // Effects on the left, hold time and speeds on the right.
        const int column = i < 3 ? 0 : 2;
        const int row = i < 3 ? static_cast<int>(i) : static_cast<int>(i) - 3;
        grid->addWidget(new QLabel(QString::fromUtf8(r.label), this), row, column);
        grid->addWidget(box, row, column + 1);
    }
    grid->setColumnStretch(1, 1);
}

}  // namespace orb
