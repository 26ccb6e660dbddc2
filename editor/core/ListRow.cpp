#include "editor/core/ListRow.h"

#include <cstdio>

#include "image/CodeLists.h"
#include "image/Cp949.h"

namespace orb {

std::string fileNameOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string contentTextFromRecord(const ItemRecord& record, int line) {
    const LinePayload& payload = record.line(line);
    // The title of a title-and-sentence item keeps kind 0; its text is still the title.
    if (line == 1 && record.header.layout() == LayoutCode::TitleAndSentence)
        return cp949ToUtf8Lossy(payload.text());

    switch (record.header.kind(line)) {
        case ContentKind::Sentence:
            return cp949ToUtf8Lossy(payload.text());
        case ContentKind::Bitmap:
        case ContentKind::Animation:
            return cp949ToUtf8Lossy(fileNameOf(payload.path()));
        case ContentKind::BitmapPhrase:
            return cp949ToUtf8Lossy(fileNameOf(payload.path())) + "(rtf)";
        case ContentKind::Clock:
        case ContentKind::Dday:
        case ContentKind::Temperature:
            return labelOf(contentKindNames(), static_cast<size_t>(record.header.kind(line)));
        default:
            return {};
    }
}

std::string clockText(const ClockTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d시%02d분", t.hour, t.minute);
    return text;
}

std::string heightText(uint8_t code) {
    return std::to_string(code * 16) + "픽셀";
}

ListRow rowFromRecord(const ItemRecord& record) {
    const ItemHeader& h = record.header;
    ListRow row;
    row.columns[ListRow::Layout] = labelOf(layoutNames(), static_cast<size_t>(h.layout()));
    for (int line = 1; line <= linesOf(h.layout()); ++line) {
        row.columns[ListRow::Height1 + line - 1] = heightText(h.heightCode(line));
        row.columns[ListRow::Content1 + line - 1] = contentTextFromRecord(record, line);
    }
    row.columns[ListRow::WindowStart] = clockText(h.windowStart());
    row.columns[ListRow::WindowEnd] = clockText(h.windowEnd());
    return row;
}

IoResult readListRows(const ItemStore& store, std::vector<ListRow>& rows) {
    rows.clear();
    for (int i = 0; i < ItemStore::kRecords; ++i) {
        ItemRecord record;
        IoResult r = store.readRecord(i, record);
        if (r != IoResult::Ok) return r;
        if (record.header.layout() == LayoutCode::None) break;
        rows.push_back(rowFromRecord(record));
    }
    return IoResult::Ok;
}

}  // namespace orb
