#pragma once
// "비트맵": a BMP file for a picture line, checked as it is picked (the "BM" signature, at most
// 800 x 160, a depth the encoder decodes), previewed stretched and as the sign shows it.
#include <QImage>

#include "editor/dialogs/EffectBlockWidget.h"
#include "editor/dialogs/LedView.h"
#include "editor/dialogs/LineDialog.h"

class QLabel;
class QPushButton;

namespace orb {

class BitmapDialog : public LineDialog {
    Q_OBJECT
  public:
    BitmapDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                 QWidget* parent = nullptr);

    // Runs the checks on a file as "열기" does after its file dialog; false when refused (the
    // path is then cleared).
    bool pick(const QString& path);
    QString path() const { return path_; }
    QPushButton* openButton() const { return openButton_; }
    QLabel* fileName() const { return fileName_; }
    LedView* signView() const { return signView_; }
    EffectBlockWidget* effects() const { return effects_; }
    const QImage& previewImage() const { return preview_; }

  protected:
    bool collect() override;

  private:
    void open();
    bool check(const QString& path, bool clearOnRefusal);
    void showPicture();

    EffectBlockWidget* effects_;
    QPushButton* openButton_;
    QLabel* fileName_;
    QLabel* frame_;
    LedView* signView_;
    QString path_;
    int width_ = 0, height_ = 0;
    QImage preview_;
};

}  // namespace orb
