#include "editor/app/UserPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "editor/app/HeightDialog.h"
#include "editor/app/TimePairDialog.h"
#include "editor/dialogs/LineDialogs.h"
#include "image/WorkingFolder.h"
#include "simulator/headless/HeadlessRun.h"

namespace orb {

namespace {

const char* const kProjectFilter = "dat파일(*.dat);;모든파일(*.*)";
// Opening takes a program bundle too.
const char* const kOpenFilter = "dat파일(*.dat);;zip파일(*.zip);;모든파일(*.*)";
const char* const kBundleFilter = "zip파일(*.zip);;모든파일(*.*)";

}  // namespace

SaveChoice DialogPrompts::askSaveChanges(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, "Orb", "변경 내용을 저장하시겠습니까?", QMessageBox::NoButton,
                    parent);
    QPushButton* save = box.addButton("저장", QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton("저장 안 함", QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton("취소", QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    keepCaptionWhole(box);
    box.exec();
    if (box.clickedButton() == save) return SaveChoice::Save;
    if (box.clickedButton() == discard) return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

QString DialogPrompts::chooseOpenPath(QWidget* parent) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent, "불러오기", lastFolder("project"), kOpenFilter);
    rememberFolder("project", chosen);
    return chosen;
}

QString DialogPrompts::chooseSavePath(QWidget* parent) {
    QFileDialog dialog(parent, "다른이름으로 저장하기", lastFolder("project"), kProjectFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("dat");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    rememberFolder("project", dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

QString DialogPrompts::chooseBundleSavePath(QWidget* parent) {
    QFileDialog dialog(parent, "그림과 함께 저장", lastFolder("project"), kBundleFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("zip");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    rememberFolder("project", dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

QString DialogPrompts::choosePictureFolder(QWidget* parent, const QString& caption, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

void DialogPrompts::showMessage(QWidget* parent, const QString& text, const QString& caption,
                                MessageKind kind) {
    messageBox(parent, kind, caption, text)->exec();
}

bool DialogPrompts::askGoOn(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText("예");
    box.button(QMessageBox::No)->setText("아니요");
    box.setDefaultButton(QMessageBox::No);
    keepCaptionWhole(box);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::array<uint8_t, 3>> DialogPrompts::askHeights(QWidget* parent, LayoutCode layout,
                                                                const std::array<uint8_t, 3>& codes) {
    HeightDialog dialog(layout, codes, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.heightCodes();
}

std::optional<TimePair> DialogPrompts::askTimes(QWidget* parent, const TimePairTexts& texts,
                                                const TimePair& start) {
    TimePairDialog dialog(texts, start.first, start.second, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return TimePair{dialog.first(), dialog.second()};
}

SignContext DialogPrompts::signContext(const SignSize& sign, int lineTop) {
    if (!fontsTried_) {
        fontsTried_ = true;
        std::string failed;
        fonts_.loadFonts(defaultFontFolder(), failed);
    }
    return {sign.width, fonts_.loaded() ? &fonts_ : nullptr, workingFolder(), 16 * sign.height, lineTop};
}

bool DialogPrompts::hasLineDialog(ContentKind kind) const {
    return orb::hasLineDialog(kind);
}

std::optional<LineContent> DialogPrompts::editLine(QWidget* parent, int line, const LineContent& start,
                                                   const SignSize& sign,
                                                   const std::array<uint8_t, 3>& heights) {
    int top = 0;
    for (int above = 1; above < line; ++above) top += 16 * heights[static_cast<size_t>(above) - 1];
    return runLineDialog(parent, line, start, heights[static_cast<size_t>(line) - 1], signContext(sign, top));
}

std::optional<TitleSentenceContent> DialogPrompts::editTitleSentence(QWidget* parent,
                                                                     const TitleSentenceContent& start,
                                                                     const SignSize& sign,
                                                                     uint8_t titleHeight,
                                                                     uint8_t sentenceHeight) {
    return runTitleSentenceDialog(parent, start, titleHeight, sentenceHeight, signContext(sign, 0));
}

}  // namespace orb
