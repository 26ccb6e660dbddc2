#pragma once
// The item list's nine columns: heading and width in pixels, in order.
#include <array>

namespace orb {

struct ListColumn {
    const char* heading;
    int width;
};

inline constexpr std::array<ListColumn, 9> kListColumns = {{
    {"구분", 100},
    {"1단높이", 60},
    {"2단높이", 60},
    {"3단높이", 60},
    {"1단의 내용", 224},
    {"2단의 내용", 224},
    {"3단의 내용", 224},
    {"표출시작시간", 90},
    {"표출마감시간", 90},
}};

}  // namespace orb
