#pragma once
// "높이설정": one list of "16픽셀" ... "128픽셀" per line of a layout. Used by the add commands
// (every list on 16 pixels) and by the height command (the item's stored heights).
#include <QDialog>
#include <array>
#include <cstdint>
#include <vector>

#include "image/ItemHeader.h"

class QComboBox;

namespace orb {

class HeightDialog : public QDialog {
    Q_OBJECT
  public:
    // codes: height codes 1..8 of lines 1..3; a code outside 1..8 opens at "16픽셀".
    HeightDialog(LayoutCode layout, const std::array<uint8_t, 3>& codes, QWidget* parent = nullptr);

    // The chosen codes, 0 for lines the layout does not have.
    std::array<uint8_t, 3> heightCodes() const;

    // The labels of the lists for a layout: "1번째줄의 높이:" ..., or "제목의 높이:", "문장의 높이:".
    static std::vector<const char*> labelsFor(LayoutCode layout);

  private:
    std::vector<QComboBox*> lists_;
};

}  // namespace orb
