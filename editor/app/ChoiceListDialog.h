#pragma once
// A small dialog of labelled lists: "규격" ("높이:" "1단".."8단", "너비:" "5열".."40열") and
// "LED밝기" ("밝기:" "1(최소밝기)".."10(최대밝기)").
#include <QDialog>
#include <QStringList>
#include <vector>

class QComboBox;

namespace orb {

class ChoiceListDialog : public QDialog {
    Q_OBJECT
  public:
    struct List {
        QString label;
        QStringList entries;
        int current = 0;  // a position outside the list opens on the first entry
    };

    ChoiceListDialog(const QString& title, const std::vector<List>& lists, QWidget* parent = nullptr);

    // The chosen position in list I.
    int chosen(size_t i) const;
    QComboBox* list(size_t i) const { return lists_.at(i); }

    static ChoiceListDialog* signSize(int width, int height, QWidget* parent);
    static ChoiceListDialog* brightness(int level, QWidget* parent);

  private:
    std::vector<QComboBox*> lists_;
};

}  // namespace orb
