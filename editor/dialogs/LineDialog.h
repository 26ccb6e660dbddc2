#pragma once
// The frame every line dialog shares: it opens on what the line holds for the dialog's kind (the
// document's dialog start: a line of another kind starts empty with fresh effects) and on OK
// gives back the line's new content. Cancel gives back nothing.
#include <QDialog>
#include <optional>

#include "editor/core/LineContent.h"
#include "editor/dialogs/DialogSupport.h"

class QDialogButtonBox;
class QVBoxLayout;

namespace orb {

// What OK says is missing from an incomplete line of KIND (a sentence without text, a picture
// line without a file).
QString missingPartText(ContentKind kind);

class LineDialog : public QDialog {
    Q_OBJECT
  public:
    // What OK produced: the kind, the header fields the kind uses and the payload.
    const LineContent& content() const { return content_; }
    int line() const { return line_; }
    // Whether OK produced something to store (a sentence with text, a bitmap with a file...); OK
    // on an incomplete line says what is missing and leaves the dialog open.
    bool complete() const { return complete_; }
    QDialogButtonBox* buttons() const { return buttons_; }
    // OK: the dialog's checks, then its result; a refused check keeps it open.
    void accept() override;

  protected:
    // heightCode: the line's height in modules, for the previews.
    LineDialog(const QString& title, const LineContent& start, int line, int heightCode,
               const SignContext& sign, QWidget* parent);
    // Adds the OK and Cancel buttons at the bottom of the layout.
    void finishLayout();
    // Called by OK: fills content_; false keeps the dialog open.
    virtual bool collect() = 0;
    // "열기": a file of KIND ("bitmap", "animation") from the folder it was last chosen from, or
    // the folder of CURRENT when there is one; empty when cancelled.
    QString chooseFile(const QString& kind, const QString& current, const QString& filter);
    // Gives "확인" the focus, so that Enter confirms (after a file was chosen).
    void focusOk();
    // Puts PATH (and RTF_PATH when given) into the payload; a path too long to store is refused
    // with a message and false.
    bool storePath(const QString& path, const std::optional<QString>& rtfPath = std::nullopt);
    int lineWidth() const { return 16 * sign_.signColumns; }
    int lineHeight() const { return 16 * heightCode_; }

    QVBoxLayout* layout_;
    LineContent content_;
    int line_;
    int heightCode_;
    SignContext sign_;
    bool complete_ = false;

  private:
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace orb
