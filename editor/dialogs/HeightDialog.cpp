#include "editor/dialogs/HeightDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "editor/dialogs/EffectBlockWidget.h"
#include "image/CodeLists.h"

namespace orb {

HeightDialog::HeightDialog(LayoutCode layout, const std::array<uint8_t, 3>& codes, QWidget* parent)
    : QDialog(parent), lines_(linesOf(layout)) {
    setWindowTitle(QString::fromUtf8("높이설정"));
    auto* layoutBox = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    static const char* const kLineLabels[3] = {"1번째줄의 높이:", "2번째줄의 높이:", "3번째줄의 높이:"};
    static const char* const kTitleLabels[2] = {"제목의 높이:", "문장의 높이:"};
    for (int i = 0; i < lines_; ++i) {
        const int code = codes[static_cast<size_t>(i)];
        lists_[static_cast<size_t>(i)] = makeCodeList(heights(), code >= 1 && code <= 8 ? code - 1 : 0, this);
        const char* label = layout == LayoutCode::TitleAndSentence ? kTitleLabels[i] : kLineLabels[i];
        form->addRow(QString::fromUtf8(label), lists_[static_cast<size_t>(i)]);
    }
    layoutBox->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layoutBox->addWidget(buttons);
}

std::array<uint8_t, 3> HeightDialog::codes() const {
    std::array<uint8_t, 3> out{};
    for (int i = 0; i < lines_; ++i)
        out[static_cast<size_t>(i)] =
            static_cast<uint8_t>(lists_[static_cast<size_t>(i)]->currentIndex() + 1);
    return out;
}

}  // namespace orb
