#include "editor/app/ChoiceListDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "editor/dialogs/DialogButtons.h"
#include "image/CodeLists.h"

namespace orb {

namespace {

QStringList numbered(int from, int to, const char* unit) {
    QStringList entries;
    for (int n = from; n <= to; ++n) entries << QString::number(n) + QString::fromUtf8(unit);
    return entries;
}

}  // namespace

ChoiceListDialog::ChoiceListDialog(const QString& title, const std::vector<List>& lists, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* form = new QFormLayout;
    for (const List& l : lists) {
        auto* combo = new QComboBox(this);
        combo->addItems(l.entries);
        combo->setCurrentIndex(l.current >= 0 && l.current < combo->count() ? l.current : 0);
        form->addRow(l.label, combo);
        lists_.push_back(combo);
    }
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(okCancelButtons(this));
}

int ChoiceListDialog::chosen(size_t i) const {
    return lists_.at(i)->currentIndex();
}

ChoiceListDialog* ChoiceListDialog::signSize(int width, int height, QWidget* parent) {
    return new ChoiceListDialog(
        "규격", {{"높이:", numbered(1, 8, "단"), height - 1}, {"너비:", numbered(5, 40, "열"), width - 5}},
        parent);
}

ChoiceListDialog* ChoiceListDialog::brightness(int level, QWidget* parent) {
    QStringList levels;
    for (const char* label : brightnessLevels()) levels << QString::fromUtf8(label);
    return new ChoiceListDialog("LED밝기", {{"밝기:", levels, level}}, parent);
}

}  // namespace orb
