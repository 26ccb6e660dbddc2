#include "editor/dialogs/LineDialogs.h"

#include <memory>

#include "editor/dialogs/AnimationDialog.h"
#include "editor/dialogs/BitmapDialog.h"
#include "editor/dialogs/DdayDialog.h"
#include "editor/dialogs/HoldTimeDialog.h"
#include "editor/dialogs/PhraseDialog.h"
#include "editor/dialogs/SentenceDialog.h"
#include "editor/dialogs/TitleSentenceDialog.h"

namespace orb {

namespace {

using Make = std::unique_ptr<LineDialog> (*)(QWidget*, int, const LineContent&, int, const SignContext&);

template <class D>
std::unique_ptr<LineDialog> make(QWidget* parent, int line, const LineContent& start, int height,
                                 const SignContext& sign) {
    return std::make_unique<D>(start, line, height, sign, parent);
}

std::unique_ptr<LineDialog> makeHoldTime(QWidget* parent, int line, const LineContent& start, int,
                                         const SignContext&) {
    return std::make_unique<HoldTimeDialog>(start, line, parent);
}

struct KindDialog {
    ContentKind kind;
    Make make;
};

constexpr KindDialog kDialogs[] = {
    {ContentKind::Sentence, make<SentenceDialog>},   {ContentKind::Bitmap, make<BitmapDialog>},
    {ContentKind::Animation, make<AnimationDialog>}, {ContentKind::Clock, makeHoldTime},
    {ContentKind::Dday, make<DdayDialog>},           {ContentKind::BitmapPhrase, make<PhraseDialog>},
    {ContentKind::Temperature, makeHoldTime},
};

const KindDialog* dialogOf(ContentKind kind) {
    for (const KindDialog& d : kDialogs)
        if (d.kind == kind) return &d;
    return nullptr;
}

}  // namespace

bool hasLineDialog(ContentKind kind) {
    return dialogOf(kind) != nullptr;
}

std::optional<LineContent> runLineDialog(QWidget* parent, int line, const LineContent& start, int heightCode,
                                         const SignContext& sign) {
    const KindDialog* d = dialogOf(start.kind);
    if (!d) return std::nullopt;
    std::unique_ptr<LineDialog> dialog = d->make(parent, line, start, heightCode, sign);
    if (dialog->exec() != QDialog::Accepted || !dialog->complete()) return std::nullopt;
    return dialog->content();
}

std::optional<TitleSentenceContent> runTitleSentenceDialog(QWidget* parent, const TitleSentenceContent& start,
                                                           int titleHeight, int sentenceHeight,
                                                           const SignContext& sign) {
    TitleSentenceDialog dialog(start, titleHeight, sentenceHeight, sign, parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.complete()) return std::nullopt;
    return dialog.content();
}

}  // namespace orb
