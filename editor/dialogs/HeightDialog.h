#pragma once
// "높이설정": one list per line of the layout, "16픽셀" .. "128픽셀"; a height code is the list
// position + 1. The checks of the total height belong to the commands.
#include <QDialog>
#include <array>

#include "image/ItemHeader.h"

class QComboBox;

namespace orb {

class HeightDialog : public QDialog {
    Q_OBJECT
  public:
    // codes: the stored height codes of lines 1..3 (0 or out of range opens on "16픽셀").
    HeightDialog(LayoutCode layout, const std::array<uint8_t, 3>& codes, QWidget* parent = nullptr);
    std::array<uint8_t, 3> codes() const;  // 0 for lines the layout does not have
    QComboBox* list(int line) const { return lists_[static_cast<size_t>(line - 1)]; }
    int lines() const { return lines_; }

  private:
    std::array<QComboBox*, 3> lists_{};
    int lines_;
};

}  // namespace orb
