#pragma once
// One row of the editor's item list, in UTF-8, as filled from a stored record: the layout name,
// the heights of the layout's lines, each line's content text and the display window.
#include <array>
#include <string>
#include <vector>

#include "image/ItemRecord.h"
#include "image/ItemStore.h"

namespace orb {

struct ListRow {
    enum Column { Layout = 0, Height1 = 1, Content1 = 4, WindowStart = 7, WindowEnd = 8, kColumns = 9 };
    std::array<std::string, kColumns> columns;
};

// The list's columns in order: heading and width in pixels.
struct ListColumn {
    const char* heading;
    int width;
};
inline constexpr ListColumn kListColumns[ListRow::kColumns] = {
    {"구분", 100},       {"1단높이", 60},     {"2단높이", 60},      {"3단높이", 60},      {"1단의 내용", 224},
    {"2단의 내용", 224}, {"3단의 내용", 224}, {"표출시작시간", 90}, {"표출마감시간", 90},
};

// The part of a stored path after its last separator; paths from the desktop sign software use
// "\", ours use "/".
std::string fileNameOf(const std::string& path);

// "%d픽셀" of a height code; "%02d시%02d분" of a display-window time.
std::string heightText(uint8_t code);
std::string clockText(const ClockTime& t);

// The content column text of line n (1..3) of a stored record.
std::string contentTextFromRecord(const ItemRecord& record, int line);

ListRow rowFromRecord(const ItemRecord& record);

// The list rebuilt from the store: records 0, 1, ... up to the first whose layout code is 0.
IoResult readListRows(const ItemStore& store, std::vector<ListRow>& rows);

}  // namespace orb
