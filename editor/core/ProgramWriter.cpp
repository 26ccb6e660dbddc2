#include "editor/core/ProgramWriter.h"

#include "editor/core/LineEncoder.h"

namespace orb {

std::string describe(const LineProblem& p) {
    return std::to_string(p.item + 1) + "번째 아이템 " + std::to_string(p.line) + "번째줄: " + p.text;
}

namespace {

// Whether a line of SECTORS starting at sector NEXT ends by sector 65535.
bool fitsAt(uint64_t next, uint64_t sectors) {
    return next < ProgramImage::kSectors && next + sectors <= ProgramImage::kSectors;
}

class Planner {
  public:
    explicit Planner(ProgramPlan& plan) : plan_(plan) {}

    // Places one line's bytes at the next free sector; false when they would not fit.
    bool place(int item, PlannedItem& planned, int line, ContentKind kind, EncodedLine encoded) {
        const uint32_t sectors = static_cast<uint32_t>(sectorsFor(encoded.bytes.size()));
        if (encoded.oversized || !fitsAt(next_, sectors)) return false;
        planned.header.setStartSector(line, static_cast<uint16_t>(next_));
        if (encoded.picture) {
            noteResized(item, line, planned.header, encoded);
            planned.header.setPictureSize(line, encoded.width, encoded.height);
            if (kind == ContentKind::Animation) planned.header.setFrameCount(line, encoded.frames);
        }
        PlannedLine pl{
            line, kind, next_, sectors, encoded.frames, encoded.problem.empty(), encoded.animationFailed};
        planned.lines.push_back(pl);
        if (!encoded.problem.empty()) plan_.problems.push_back({item, line, encoded.problem});
        if (!encoded.bytes.empty()) {
            const int steps = encoded.frames > 0 ? encoded.frames : static_cast<int>(sectors);
            plan_.writes.push_back({ProgramWrite::Kind::Content, item,
                                    uint64_t{next_} * ProgramImage::kSectorSize, std::move(encoded.bytes),
                                    steps});
        }
        next_ += sectors;
        return true;
    }

  private:
    // A recorded size of 0 x 0 was never chosen through a dialog and is not compared.
    void noteResized(int item, int line, const ItemHeader& recorded, const EncodedLine& encoded) {
        const uint16_t w = recorded.pictureWidth(line), h = recorded.pictureHeight(line);
        if ((w == 0 && h == 0) || (w == encoded.width && h == encoded.height)) return;
        plan_.resized.push_back({item, line,
                                 "그림 파일의 크기가 바뀌었습니다 (" + std::to_string(w) + "x" +
                                     std::to_string(h) + " -> " + std::to_string(encoded.width) + "x" +
                                     std::to_string(encoded.height) + ")"});
    }

    ProgramPlan& plan_;
    uint32_t next_ = ProgramImage::kFirstContentSector;
};

// Each line's bytes of an item, in line order, by the rule of its layout: title and sentence
// payloads go as raw 3-sector blocks, whatever their kinds.
template <typename Visit>
bool forEachLine(const ItemRecord& record, Visit visit) {
    const LayoutCode layout = record.header.layout();
    const bool raw = layout == LayoutCode::TitleAndSentence;
    for (int line = 1; line <= plannedLines(record.header); ++line) {
        const ContentKind kind = record.header.kind(line);
        if (!visit(line, kind, raw ? rawPayload(record.line(line)) : encodeLine(kind, record.line(line))))
            return false;
    }
    return true;
}

std::string tooLargeMessage(int item) {
    return std::to_string(item + 1) + "번째 아이템의 내용이 전광판 메모리를 넘습니다 (섹터 65535 초과)";
}

// The first item whose contents cannot fit, by what its lines take at most (encodedSizeAtMost):
// found in moments, before any line is encoded. -1 when all fit; -2 when a record cannot be read.
int firstItemPastTheEnd(const ItemStore& store, int itemCount) {
    uint64_t next = ProgramImage::kFirstContentSector;
    for (int i = 0; i < itemCount; ++i) {
        ItemRecord record;
        if (store.readRecord(i, record) != IoResult::Ok) return -2;
        const bool raw = record.header.layout() == LayoutCode::TitleAndSentence;
        for (int line = 1; line <= plannedLines(record.header); ++line) {
            const LinePayload& payload = record.line(line);
            const uint64_t sectors =
                sectorsFor(raw ? payload.bytes.size() : encodedSizeAtMost(record.header.kind(line), payload));
            if (!fitsAt(next, sectors)) return i;
            next += sectors;
        }
    }
    return -1;
}

}  // namespace

int plannedLines(const ItemHeader& header) {
    return header.layout() == LayoutCode::TitleAndSentence ? 2 : linesOf(header.layout());
}

uint64_t itemSectors(const ItemRecord& record) {
    uint64_t sectors = 0;
    forEachLine(record, [&](int, ContentKind, const EncodedLine& encoded) {
        sectors += sectorsFor(encoded.bytes.size());
        return true;
    });
    return sectors;
}

PlanOutcome planProgram(const ItemStore& store, int itemCount, uint8_t width, uint8_t height,
                        ProgramPlan& plan, const LineProgress& progress) {
    plan = ProgramPlan{};
    plan.imageHeader = {width, height, static_cast<uint16_t>(itemCount)};
    int totalLines = 0, linesDone = 0;
    for (int i = 0; i < itemCount; ++i) {
        ItemHeader h;
        if (store.readHeader(i, h) != IoResult::Ok)
            return {PlanResult::StoreUnreadable, i, "오픈할수 없습니다"};
        totalLines += plannedLines(h);
    }
    if (const int past = firstItemPastTheEnd(store, itemCount); past != -1)
        return past == -2 ? PlanOutcome{PlanResult::StoreUnreadable, -1, "오픈할수 없습니다"}
                          : PlanOutcome{PlanResult::TooLarge, past, tooLargeMessage(past)};
    Planner planner(plan);
    for (int i = 0; i < itemCount; ++i) {
        ItemRecord record;
        if (store.readRecord(i, record) != IoResult::Ok)
            return {PlanResult::StoreUnreadable, i, "오픈할수 없습니다"};
        PlannedItem planned;
        planned.header = record.header;
        const bool fits = forEachLine(record, [&](int line, ContentKind kind, EncodedLine encoded) {
            const bool placed = planner.place(i, planned, line, kind, std::move(encoded));
            if (progress) progress(++linesDone, totalLines);
            return placed;
        });
        if (!fits) {
            plan = ProgramPlan{};
            return {PlanResult::TooLarge, i, tooLargeMessage(i)};
        }
        plan.writes.push_back({ProgramWrite::Kind::ItemHeader, i, ProgramImage::itemEntryOffset(i),
                               std::vector<uint8_t>(planned.header.bytes.begin(), planned.header.bytes.end()),
                               1});
        plan.items.push_back(std::move(planned));
    }
    const auto header = ProgramImage::encodeHeader(plan.imageHeader);
    plan.writes.push_back({ProgramWrite::Kind::ImageHeader, -1, ProgramImage::kHeaderOffset,
                           std::vector<uint8_t>(header.begin(), header.end())});
    return {};
}

IoResult ImageSink::begin(const ProgramPlan& plan) {
    return image_.writeHeader({plan.imageHeader.width, plan.imageHeader.height, 0});
}

IoResult writeProgram(const ProgramPlan& plan, ProgramSink& sink) {
    IoResult r = sink.begin(plan);
    for (size_t i = 0; r == IoResult::Ok && i < plan.writes.size(); ++i) r = sink.write(plan.writes[i]);
    return r;
}

namespace {
int lineSteps(const PlannedLine& l) {
    switch (l.kind) {
        case ContentKind::Animation:
            return l.frames;
        case ContentKind::None:
            return 0;
        default:
            return static_cast<size_t>(l.kind) <= 7 ? 1 : 0;
    }
}
}  // namespace

int previewStepTotal(const ProgramPlan& plan) {
    int total = 0;
    for (const PlannedItem& item : plan.items) {
        const LayoutCode layout = item.header.layout();
        if (layout == LayoutCode::TitleAndSentence) {
            total += 3;
            continue;
        }
        if (linesOf(layout) == 0) {
            total += 1;
            continue;
        }
        // The item's own step comes after its lines; an animation that did not load ends the
        // item's count there, its own step included.
        int steps = 0;
        bool complete = true;
        for (const PlannedLine& l : item.lines) {
            if (l.animationFailed) {
                complete = false;
                break;
            }
            steps += lineSteps(l);
        }
        total += steps + (complete ? 1 : 0);
    }
    return total;
}

}  // namespace orb
