#pragma once
// "애니메이션": a GIF file for an animation line and its speed; the preview cycles through the
// frames every 50 ms as the sign shows them.
#include <QTimer>

#include "content/GifAnimation.h"
#include "editor/dialogs/LedView.h"
#include "editor/dialogs/LineDialog.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace orb {

class AnimationDialog : public LineDialog {
    Q_OBJECT
  public:
    AnimationDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                    QWidget* parent = nullptr);

    bool pick(const QString& path);  // the checks of "열기" after its file dialog
    QString path() const { return path_; }
    QPushButton* openButton() const { return openButton_; }
    QComboBox* speed() const { return speed_; }
    LedView* signView() const { return signView_; }
    QLabel* fileName() const { return fileName_; }
    size_t frameIndex() const { return frame_; }
    const GifAnimation& animation() const { return gif_; }
    void tick();  // one step of the preview

  protected:
    bool collect() override;

  private:
    void open();
    bool load(const QString& path);

    QPushButton* openButton_;
    QLabel* fileName_;
    QLabel* picture_;
    LedView* signView_;
    QComboBox* speed_;
    QTimer timer_;
    GifAnimation gif_;
    QString path_;
    size_t frame_ = 0;
};

}  // namespace orb
