#pragma once
// Helpers shared by the document tests: items that can be told apart, the whole store as bytes,
// and an observer that writes down what it was told.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editor/core/OrbDocument.h"
#include "editor/core/ProjectFile.h"
#include "image/Cp949.h"
#include "testsupport/TempDir.h"

namespace orb::testing {

inline std::vector<uint8_t> storeBytes(const OrbDocument& doc) {
    auto bytes = std::make_unique<StoreBytes>();
    EXPECT_EQ(doc.store().readAll(*bytes), IoResult::Ok);
    return {bytes->begin(), bytes->end()};
}

inline LinePayload textPayload(const std::string& utf8, uint16_t attributes = 0) {
    LinePayload p;
    EXPECT_TRUE(p.setText(utf8ToCp949(utf8).value(), attributes));
    return p;
}

inline LineContent sentence(const std::string& utf8, uint8_t entry = 0) {
    LineContent c;
    c.kind = ContentKind::Sentence;
    c.effects.entry = entry;
    c.effects.holdTime = 4;
    c.payload = textPayload(utf8);
    return c;
}

// A one-line sentence item showing TEXT, added at the end.
inline void addSentence(OrbDocument& doc, const std::string& text) {
    ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    const int row = doc.rowCount() - 1;
    ASSERT_EQ(doc.setLineContent(std::vector<int>{row}, 1, sentence(text)), DocOutcome::Done);
}

// The line 1 texts of the rows, top to bottom.
inline std::vector<std::string> firstLines(const OrbDocument& doc) {
    std::vector<std::string> out;
    for (const ListRow& r : doc.rows()) out.push_back(r.columns[ListRow::Content1]);
    return out;
}

struct RecordingObserver : DocumentObserver {
    std::vector<std::string> calls;
    void rowsInserted(int first, int count) override { add("inserted", first, count); }
    void rowsRemoved(int first, int count) override { add("removed", first, count); }
    void rowsChanged(int first, int count) override { add("changed", first, count); }
    void rowsReset() override { calls.push_back("reset"); }
    void settingsChanged() override { calls.push_back("settings"); }
    void cutBufferChanged(bool full) override { calls.push_back(full ? "cut full" : "cut empty"); }
    void titleChanged(const std::string& title, bool clean) override {
        calls.push_back("title " + title + (clean ? " clean" : " unsaved"));
    }
    void historyChanged() override {}
    void add(const char* what, int first, int count) {
        calls.push_back(std::string(what) + " " + std::to_string(first) + "+" + std::to_string(count));
    }
};

}  // namespace orb::testing
