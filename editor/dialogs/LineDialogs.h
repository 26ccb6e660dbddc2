#pragma once
// The content dialog of each kind, run modally on what a line holds. Nothing comes back when the
// dialog is cancelled or its result is not complete (a sentence without text, a bitmap or an
// animation without a file), so that the edit command stores nothing.
#include <optional>

#include "editor/core/LineContent.h"
#include "editor/dialogs/DialogSupport.h"

class QWidget;

namespace orb {

bool hasLineDialog(ContentKind kind);

// heightCode: line LINE's height in modules.
std::optional<LineContent> runLineDialog(QWidget* parent, int line, const LineContent& start, int heightCode,
                                         const SignContext& sign);

std::optional<TitleSentenceContent> runTitleSentenceDialog(QWidget* parent, const TitleSentenceContent& start,
                                                           int titleHeight, int sentenceHeight,
                                                           const SignContext& sign);

}  // namespace orb
