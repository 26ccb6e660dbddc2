#pragma once
// The seven lists of a line's effect block: entry, hold and exit effect, hold time and the
// three speeds. Every change is stored in the block at once; the entry list is the text-line or
// the picture-line list.
#include <QWidget>
#include <array>

#include "image/CodeLists.h"
#include "image/ItemHeader.h"

class QComboBox;

namespace orb {

class EffectBlockWidget : public QWidget {
    Q_OBJECT
  public:
    enum class Field { Entry, Hold, Exit, HoldTime, EntrySpeed, HoldSpeed, ExitSpeed };

    EffectBlockWidget(CodeList entryEffects, const EffectBlock& block, QWidget* parent = nullptr);

    const EffectBlock& block() const { return block_; }
    QComboBox* list(Field f) const { return lists_[static_cast<size_t>(f)]; }

  private:
    void select(QComboBox* list, uint8_t stored);
    EffectBlock block_;
    std::array<QComboBox*, 7> lists_{};
};

// A hold-time list alone ("유지시간:"), for the clock and temperature dialogs.
QComboBox* makeCodeList(CodeList labels, int stored, QWidget* parent);

}  // namespace orb
