#pragma once
// "비트맵문구": rich text in any installed font, rendered into a picture for a picture line. The
// ".rtf" and ".bmp" files live in the working folder's "RTF" folder.
#include <QImage>
#include <QTextEdit>

#include "content/PhraseFiles.h"
#include "editor/dialogs/EffectBlockWidget.h"
#include "editor/dialogs/LineDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace orb {

// The preview: the phrase where it sits on the line, the line's area as a white rectangle.
class PhrasePreview : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kAreaWidth = 656, kAreaHeight = 176;
    PhrasePreview(int signColumns, int heightCode, QWidget* parent);
    void setPicture(const QImage& working) {
        working_ = working;
        update();
    }
    QSize sizeHint() const override { return {kAreaWidth + 30, kAreaHeight + 30}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    int lineWidth_, lineHeight_;
    QImage working_;
};

class PhraseDialog : public LineDialog {
    Q_OBJECT
  public:
    enum Move { Up, Down, Left, Right };

    PhraseDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                 QWidget* parent = nullptr);

    QTextEdit* edit() const { return edit_; }
    QComboBox* fontList() const { return fonts_; }
    QComboBox* sizeList() const { return sizes_; }
    QComboBox* colourList() const { return colours_; }
    QComboBox* backgroundList() const { return backgrounds_; }
    QComboBox* shapeList() const { return shapes_; }
    QCheckBox* underline() const { return underline_; }
    QCheckBox* strikeOut() const { return strike_; }
    QPushButton* moveButton(Move m) const { return moves_[m]; }
    const PhraseNames& names() const { return names_; }
    EffectBlockWidget* effects() const { return effects_; }
    // Why the stored phrase could not be opened (the dialog then starts a new one); empty when
    // it was, or there was none.
    QString problem() const;

    void render();      // "미리보기"
    bool move(Move m);  // false when the move would leave the area
    // Whether the picture shows the text as it is now (OK renders again when not).
    bool pictureCurrent() const { return pictureCurrent_; }
    int offsetX() const { return x_; }
    int offsetY() const { return y_; }
    const QImage& rendered() const { return rendered_; }
    const QImage& working() const { return working_; }

  protected:
    bool collect() override;

  private:
    void buildControls();
    void merge(const QTextCharFormat& f);
    // Puts the rendered picture at offsets (X, Y) of the working picture; false when it would
    // leave the area.
    bool place(int x, int y);
    void redraw();

    QTextEdit* edit_;
    QLabel* problem_;
    QComboBox *fonts_, *sizes_, *colours_, *backgrounds_, *shapes_;
    QCheckBox *underline_, *strike_;
    QPushButton* moves_[4]{};
    PhrasePreview* preview_;
    EffectBlockWidget* effects_;
    PhraseNames names_;
    QImage rendered_, working_;
    bool pictureCurrent_ = false;  // rendered or loaded, and no change to the text since
    int x_ = 0, y_ = 0;
};

}  // namespace orb
