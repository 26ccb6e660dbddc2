#pragma once
// Everything the window asks the user: file names, the unsaved-changes question, refusals, and
// the dialogs of the list and settings commands. The window holds one; tests give it their own
// answers.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "editor/app/SignPrompts.h"
#include "editor/app/TimePairDialog.h"
#include "editor/core/LineContent.h"
#include "editor/dialogs/DialogSupport.h"

class QWidget;

namespace orb {

enum class SaveChoice { Save, Discard, Cancel };

using TimePair = std::pair<ClockTime, ClockTime>;

class UserPrompts : public SignPrompts {
  public:
    // "변경 내용을 저장하시겠습니까?" with Save, Don't save and Cancel.
    virtual SaveChoice askSaveChanges(QWidget* parent) = 0;
    // Empty when cancelled.
    virtual QString chooseOpenPath(QWidget* parent) = 0;
    virtual QString chooseSavePath(QWidget* parent) = 0;
    // "그림과 함께 저장": where the bundle goes (".zip"); empty when cancelled.
    virtual QString chooseBundleSavePath(QWidget* parent) = 0;
    // The folder a program's pictures go into, starting at START; empty when cancelled.
    virtual QString choosePictureFolder(QWidget* parent, const QString& caption, const QString& start) = 0;
    // A notice, a refusal or a failure, with the icon of KIND: one OK button.
    virtual void showMessage(QWidget* parent, const QString& text, const QString& caption,
                             MessageKind kind) = 0;
    // A question with Yes and No (the default): whether to go on.
    virtual bool askGoOn(QWidget* parent, const QString& text, const QString& caption) = 0;
    // "높이설정": the height codes of lines 1..3, or nothing when cancelled.
    virtual std::optional<std::array<uint8_t, 3>> askHeights(QWidget* parent, LayoutCode layout,
                                                             const std::array<uint8_t, 3>& codes) = 0;
    // "표출시간" or "ON/OFF시간": both times, or nothing when cancelled.
    virtual std::optional<TimePair> askTimes(QWidget* parent, const TimePairTexts& texts,
                                             const TimePair& start) = 0;

    // The content dialogs: whether the dialog of a kind is there (its "편집" entries are disabled
    // otherwise), and running it on what the line holds. SIGN the sign's size; HEIGHTS the height
    // codes of the item's lines 1..3 (the bitmap phrase renders for its line's, and the previews
    // show of the line what lies on the sign).
    virtual bool hasLineDialog(ContentKind /*kind*/) const { return false; }
    virtual std::optional<LineContent> editLine(QWidget* /*parent*/, int /*line*/,
                                                const LineContent& /*start*/, const SignSize& /*sign*/,
                                                const std::array<uint8_t, 3>& /*heights*/) {
        return std::nullopt;
    }
    virtual bool hasTitleSentenceDialog() const { return false; }
    // TITLE_HEIGHT and SENTENCE_HEIGHT: the height codes of lines 1 and 2, for the previews.
    virtual std::optional<TitleSentenceContent> editTitleSentence(QWidget* /*parent*/,
                                                                  const TitleSentenceContent& /*start*/,
                                                                  const SignSize& /*sign*/,
                                                                  uint8_t /*titleHeight*/,
                                                                  uint8_t /*sentenceHeight*/) {
        return std::nullopt;
    }
};

// The real dialogs and message boxes.
class DialogPrompts : public UserPrompts {
  public:
    SaveChoice askSaveChanges(QWidget* parent) override;
    QString chooseOpenPath(QWidget* parent) override;
    QString chooseSavePath(QWidget* parent) override;
    QString chooseBundleSavePath(QWidget* parent) override;
    QString choosePictureFolder(QWidget* parent, const QString& caption, const QString& start) override;
    void showMessage(QWidget* parent, const QString& text, const QString& caption, MessageKind kind) override;
    bool askGoOn(QWidget* parent, const QString& text, const QString& caption) override;
    std::optional<std::array<uint8_t, 3>> askHeights(QWidget* parent, LayoutCode layout,
                                                     const std::array<uint8_t, 3>& codes) override;
    std::optional<TimePair> askTimes(QWidget* parent, const TimePairTexts& texts,
                                     const TimePair& start) override;
    bool hasLineDialog(ContentKind kind) const override;
    std::optional<LineContent> editLine(QWidget* parent, int line, const LineContent& start,
                                        const SignSize& sign, const std::array<uint8_t, 3>& heights) override;
    bool hasTitleSentenceDialog() const override { return true; }
    std::optional<TitleSentenceContent> editTitleSentence(QWidget* parent, const TitleSentenceContent& start,
                                                          const SignSize& sign, uint8_t titleHeight,
                                                          uint8_t sentenceHeight) override;

  private:
    // The sign fonts for the dialogs' previews, loaded at the first dialog; none when they cannot
    // be (the previews then stay dark).
    SignContext signContext(const SignSize& sign, int lineTop);
    SignFonts fonts_;
    bool fontsTried_ = false;
};

}  // namespace orb
