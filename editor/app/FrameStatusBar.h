#pragma once
// The frame's status bar, four panes from the left: the message ("준비" when idle) with the
// memory gauge at its right end, the progress bar, the percentage text, the sign's size, the link
// status text.
#include <QStatusBar>

class QLabel;
class QProgressBar;
class QPushButton;

namespace orb {

class FrameStatusBar : public QStatusBar {
    Q_OBJECT
  public:
    explicit FrameStatusBar(QWidget* parent = nullptr);

    void setMessage(const QString& text);
    QString message() const;

    // The share of the sign's program memory the program uses; red from 100 %.
    void setMemoryGauge(int percent);
    QString memoryText() const;
    bool memoryOverfull() const;

    // The progress indicator the program transfer drives.
    void beginProgress(int total);
    void stepProgress();
    // Counts DONE steps at once (never beyond the total, never back).
    void advanceProgress(int done);
    void clearProgress();
    // "취소" beside the progress bar, shown while a transfer runs; it triggers CANCEL.
    void showCancel(bool shown);
    QPushButton* cancelButton() const { return cancel_; }
    QString percentText() const;
    QProgressBar* progressBar() const { return progress_; }

    // COLUMNS x TIERS modules of 16 x 16 LEDs: "6열 x 1단, 96 x 16".
    void setSignSize(int columns, int tiers);
    QString signSizeText() const;

    void setLinkStatus(const QString& text);
    QString linkStatus() const;

  private:
    void showCount();

    QLabel* message_;
    QLabel* memory_;
    QProgressBar* progress_;
    QPushButton* cancel_;
    QLabel* percent_;
    QLabel* size_;
    QLabel* link_;
    int total_ = 0;
    int count_ = 0;
};

}  // namespace orb
