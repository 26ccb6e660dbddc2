#pragma once
// The preview build with its progress dialog "진행률": the build runs on a worker thread on a
// copy of the store while the dialog shows the steps and every window keeps repainting. The
// dialog blocks input to the other windows until the build is over.
#include <QDialog>
#include <string>

#include "editor/core/PreviewBuild.h"

class QLabel;
class QProgressBar;

namespace orb {

class PreviewBuildDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PreviewBuildDialog(QWidget* parent = nullptr);

    // Steps done of the total: moves the bar and shows "NN %   진행중입니다...".
    void showProgress(int done, int total);
    QString progressText() const;

    // Builds STORE into IMAGE_PATH with the dialog shown; returns when the build is over.
    static BuildOutcome build(QWidget* parent, const ItemStore& store, const std::string& imagePath);

  private:
    QProgressBar* bar_;
    QLabel* percent_;
};

}  // namespace orb
