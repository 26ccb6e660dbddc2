#include "editor/app/HeightDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "editor/dialogs/DialogButtons.h"
#include "image/CodeLists.h"

namespace orb {

std::vector<const char*> HeightDialog::labelsFor(LayoutCode layout) {
    if (layout == LayoutCode::TitleAndSentence) return {"제목의 높이:", "문장의 높이:"};
    static const char* const lines[] = {"1번째줄의 높이:", "2번째줄의 높이:", "3번째줄의 높이:"};
    return {lines, lines + linesOf(layout)};
}

HeightDialog::HeightDialog(LayoutCode layout, const std::array<uint8_t, 3>& codes, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("높이설정");
    auto* form = new QFormLayout;
    const std::vector<const char*> labels = labelsFor(layout);
    for (size_t i = 0; i < labels.size(); ++i) {
        auto* list = new QComboBox(this);
        for (const char* h : heights()) list->addItem(QString::fromUtf8(h));
        const int code = codes[i];
        list->setCurrentIndex(code >= 1 && code <= list->count() ? code - 1 : 0);
        form->addRow(QString::fromUtf8(labels[i]), list);
        lists_.push_back(list);
    }
    auto* layoutBox = new QVBoxLayout(this);
    layoutBox->addLayout(form);
    layoutBox->addWidget(okCancelButtons(this));
}

std::array<uint8_t, 3> HeightDialog::heightCodes() const {
    std::array<uint8_t, 3> codes{};
    for (size_t i = 0; i < lists_.size(); ++i) codes[i] = static_cast<uint8_t>(lists_[i]->currentIndex() + 1);
    return codes;
}

}  // namespace orb
