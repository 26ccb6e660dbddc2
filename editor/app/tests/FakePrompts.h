#pragma once
// Scripted answers for the window's questions and dialogs, and a record of the messages shown.
#include <deque>
#include <utility>
#include <vector>

#include "editor/app/UserPrompts.h"

namespace orb::testing {

class FakePrompts : public UserPrompts {
  public:
    SaveChoice askSaveChanges(QWidget*) override {
        ++saveQuestions;
        return saveAnswer;
    }
    QString chooseOpenPath(QWidget*) override { return openPath; }
    QString chooseSavePath(QWidget*) override {
        ++saveDialogs;
        return savePath;
    }
    QString chooseBundleSavePath(QWidget*) override { return bundlePath; }
    QString choosePictureFolder(QWidget*, const QString& caption, const QString& start) override {
        folderQuestions.emplace_back(caption, start);
        return pictureFolder;
    }
    void showMessage(QWidget*, const QString& text, const QString& caption, MessageKind kind) override {
        messages.emplace_back(text, caption);
        kinds.push_back(kind);
    }
    bool askGoOn(QWidget*, const QString& text, const QString& caption) override {
        questions.emplace_back(text, caption);
        return goOn;
    }
    std::optional<std::array<uint8_t, 3>> askHeights(QWidget*, LayoutCode layout,
                                                     const std::array<uint8_t, 3>& codes) override {
        heightLayouts.push_back(layout);
        heightStarts.push_back(codes);
        return heights;
    }
    std::optional<TimePair> askTimes(QWidget*, const TimePairTexts& texts, const TimePair&) override {
        timeTitles.push_back(QString::fromUtf8(texts.title));
        return times;
    }
    bool hasLineDialog(ContentKind) const override { return contentDialogs; }
    std::optional<LineContent> editLine(QWidget*, int line, const LineContent& start, const SignSize& sign,
                                        const std::array<uint8_t, 3>& itemHeights) override {
        editedLines.emplace_back(line, start.kind);
        lineAreas.emplace_back(sign, itemHeights);
        return lineResult;
    }
    bool hasTitleSentenceDialog() const override { return contentDialogs; }
    std::optional<TitleSentenceContent> editTitleSentence(QWidget*, const TitleSentenceContent&,
                                                          const SignSize&, uint8_t, uint8_t) override {
        ++titleSentenceDialogs;
        return std::nullopt;
    }
    std::optional<SerialSettings> askPortSettings(QWidget*, const SerialSettings& current) override {
        portStarts.push_back(current);
        return port;
    }
    std::optional<TcpPeer> askTcpPeer(QWidget*, const TcpPeer&) override { return peer; }
    std::optional<SignSize> askSignSize(QWidget*, const SignSize& current) override {
        sizeStarts.push_back(current);
        return size;
    }
    std::optional<uint8_t> askBrightness(QWidget*, uint8_t) override { return level; }

    SaveChoice saveAnswer = SaveChoice::Cancel;
    int saveQuestions = 0;
    int saveDialogs = 0;
    QString openPath, savePath, bundlePath, pictureFolder;
    std::vector<std::pair<QString, QString>> folderQuestions;  // caption and start of each
    std::vector<std::pair<QString, QString>> messages;
    std::vector<MessageKind> kinds;  // of each message
    std::optional<std::array<uint8_t, 3>> heights = std::array<uint8_t, 3>{1, 1, 1};
    std::vector<LayoutCode> heightLayouts;
    std::vector<std::array<uint8_t, 3>> heightStarts;
    std::optional<TimePair> times;
    std::vector<QString> timeTitles;
    bool contentDialogs = true;
    std::optional<LineContent> lineResult;
    std::vector<std::pair<int, ContentKind>> editedLines;
    std::vector<std::pair<SignSize, std::array<uint8_t, 3>>> lineAreas;  // the sign and the item's heights
    int titleSentenceDialogs = 0;
    std::vector<std::pair<QString, QString>> questions;  // askGoOn's text and caption
    bool goOn = true;
    std::optional<SerialSettings> port;
    std::vector<SerialSettings> portStarts;
    std::optional<TcpPeer> peer;
    std::optional<SignSize> size;
    std::vector<SignSize> sizeStarts;
    std::optional<uint8_t> level;
};

}  // namespace orb::testing
