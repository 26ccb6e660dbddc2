#pragma once
// A sentence's editor as the text dialogs show it: the rich edit whose character formats are the
// data (text colour, background, sign typeface), the colour and font radios, a warning line for
// characters the sign cannot show, and below it the line as the sign will draw it.
#include <QTextEdit>
#include <QWidget>
#include <functional>
#include <memory>

#include "content/SentenceText.h"
#include "editor/dialogs/DialogSupport.h"
#include "editor/dialogs/LedView.h"
#include "editor/dialogs/LinePreview.h"

class QButtonGroup;
class QLabel;
class QRadioButton;

namespace orb {

// The edit of one line of text: one paragraph; pasted text loses its line breaks and other
// control characters and takes the format at the caret.
class SignTextEdit : public QTextEdit {
    Q_OBJECT
  public:
    explicit SignTextEdit(QWidget* parent = nullptr);

  protected:
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// The character format of a sentence character: bold, 21 points, the typeface's face, its
// colours; the typeface code rides along as a property.
QTextCharFormat formatFor(const Attributes& a);
Attributes attributesOf(const QTextCharFormat& f);
SentenceText sentenceOf(const QTextDocument& doc);
void fillDocument(QTextEdit& edit, const SentenceText& text);

class SentenceEditor : public QWidget {
    Q_OBJECT
  public:
    using PreviewDrawer = std::function<void(const LinePayload&, PlanePair&)>;

    SentenceEditor(const SignContext& sign, int heightCode, QWidget* parent = nullptr);

    void setSentence(const LinePayload& payload);  // DecodeSentence into the edit
    LinePayload payload() const;                   // EncodeSentence of the edit
    SentenceText sentence() const { return sentenceOf(*edit_->document()); }
    bool isEmpty() const { return edit_->document()->isEmpty(); }

    // The characters the sign cannot show, as text ("" when every one is shown).
    QString unshownCharacters() const;
    // Asks once when the text has characters the sign cannot show; true to go on storing.
    bool confirmUnshown(QWidget* parent) const;

    // Replaces the preview's drawing (the D-day dialog adds its count).
    void setPreviewDrawer(PreviewDrawer d);
    void refresh();

    SignTextEdit* edit() const { return edit_; }
    QRadioButton* radio(int group, int index) const;  // group 0 text colour, 1 background, 2 font
    LedView* preview() const { return preview_; }
    QLabel* warning() const { return warning_; }

  private:
    void choose(int group, int index);
    void markUnshown();
    // The radios show the character at the caret, or the selection's when all of it agrees
    // (none of a group is checked when it does not).
    void followCaret();

    SignContext sign_;
    LineGeometry geometry_;
    SignTextEdit* edit_;
    QButtonGroup* groups_[3]{};
    LedView* preview_;
    QLabel* warning_;
    PreviewDrawer drawer_;
    std::unique_ptr<PlanePair> planes_;
};

// Asks once whether to store text with CHARS, characters the sign cannot show; true to go on
// (at once when CHARS is empty).
bool confirmUnshownCharacters(QWidget* parent, const QString& chars);

}  // namespace orb
