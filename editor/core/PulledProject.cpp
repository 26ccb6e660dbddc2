#include "editor/core/PulledProject.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "content/BmpFile.h"
#include "content/GifAnimation.h"
#include "content/GifWriter.h"
#include "editor/core/ProgramWriter.h"
#include "image/ColourPlanes.h"
#include "image/Cp949.h"
#include "image/ReplaceFile.h"

namespace orb {

namespace fs = std::filesystem;

namespace {

// The longest name a picture file gets, for the check of the folder's path.
constexpr const char* kLongestName = "item100-line3-phrase.bmp";

std::string fileName(int item, int line, ContentKind kind) {
    char name[40];
    std::snprintf(name, sizeof name, "item%03d-line%d%s", item + 1, line,
                  kind == ContentKind::Animation      ? ".gif"
                  : kind == ContentKind::BitmapPhrase ? "-phrase.bmp"
                                                      : ".bmp");
    return name;
}

// A frame is shown for three ticks of the line's period, (speed + 2) x 10 ms.
int frameDelay(uint8_t speed) {
    return 3 * (std::min<int>(speed, 4) + 2);
}

bool isPicture(ContentKind k) {
    return k == ContentKind::Bitmap || k == ContentKind::BitmapPhrase || k == ContentKind::Animation;
}

class ProjectMaker {
  public:
    ProjectMaker(const fs::path& folder, PullOutcome& outcome) : folder_(folder), outcome_(outcome) {}

    bool makeRecord(int i, const ReadBackItem& item, ItemRecord& record) {
        record = ItemRecord{};
        record.header = item.header;
        for (int line = 1; line <= 3; ++line) record.header.setStartSector(line, 0);
        const bool raw = item.header.layout() == LayoutCode::TitleAndSentence;
        for (const ReadBackLine& line : item.lines) {
            const ContentKind kind = item.header.kind(line.line);
            if (raw || !isPicture(kind)) {
                std::copy_n(line.bytes.begin(), std::min(line.bytes.size(), LinePayload::kSize),
                            record.line(line.line).bytes.begin());
            } else if (!writePicture(i, item.header, line, record.line(line.line))) {
                return false;
            }
        }
        return true;
    }

  private:
    bool writePicture(int i, const ItemHeader& h, const ReadBackLine& line, LinePayload& payload) {
        const std::vector<uint8_t> bytes = pictureFileOf(h, line);
        if (bytes.empty()) return true;  // the line keeps an empty path, as the sign holds no picture
        const fs::path path = folder_ / fileName(i, line.line, h.kind(line.line));
        if (replaceFile(path.string(), bytes) != IoResult::Ok) {
            outcome_.message = path.string() + ": cannot write (" + std::strerror(errno) + ")";
            return false;
        }
        outcome_.files.push_back(path.string());
        payload.setPath(*utf8ToCp949(path.string()));  // checked for the longest name beforehand
        return true;
    }

    fs::path folder_;
    PullOutcome& outcome_;
};

SettingsBlock pulledSettings(const ProgramReadBack& readBack) {
    SettingsBlock s;
    s.setSignWidth(readBack.header.width);
    s.setSignHeight(readBack.header.height);
    s.setWindowMode(readBack.windowMode);
    s.correct();
    return s;
}

}  // namespace

std::vector<uint8_t> pictureFileOf(const ItemHeader& h, const ReadBackLine& line) {
    if (h.layout() == LayoutCode::TitleAndSentence || !isPicture(h.kind(line.line))) return {};
    const int w = h.pictureWidth(line.line), ht = h.pictureHeight(line.line);
    if (h.kind(line.line) != ContentKind::Animation)
        return line.bytes.empty() ? std::vector<uint8_t>{} : encodePlanesBmp(ColourPlanes(w, ht, line.bytes));
    if (!line.bytes.empty())
        return encodePlanesGif(w, ht, h.frameCount(line.line), line.bytes,
                               frameDelay(h.animationSpeed(line.line)));
    // No frames but a size: the writer met a one-frame GIF, which loads with no frame list. One
    // dark frame gives that back; a size the decoder refuses gives nothing.
    if (w <= 0 || ht <= 0 || uint64_t(w) * uint64_t(ht) > uint64_t(GifAnimation::kMaxScreenPixels)) return {};
    const std::vector<uint8_t> dark(2 * planeBytes(uint64_t(w), uint64_t(ht)), 0);
    return encodePlanesGif(w, ht, 1, dark, frameDelay(h.animationSpeed(line.line)));
}

PullOutcome makePulledProject(const ProgramReadBack& readBack, const std::string& mediaFolder,
                              ItemStore& store) {
    PullOutcome out;
    std::error_code ec;
    const fs::path folder = fs::absolute(mediaFolder, ec).lexically_normal();
    const std::optional<std::string> longest = utf8ToCp949((folder / kLongestName).string());
    if (ec || !longest || longest->size() > LinePayload::kPathArea - 1) {
        out.message = mediaFolder + ": the media folder's path cannot go into a project (CP949, at most " +
                      std::to_string(LinePayload::kPathArea - 1 - std::strlen(kLongestName) - 1) + " bytes)";
        return out;
    }
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        out.message = mediaFolder + ": cannot make the media folder";
        return out;
    }
    if (store.clearRecords() != IoResult::Ok ||
        store.writeSettings(pulledSettings(readBack)) != IoResult::Ok) {
        out.message = "cannot write the project in memory";
        return out;
    }
    ProjectMaker maker(folder, out);
    // A project's items end at the first record of layout 0; the items after such a header in the
    // sign cannot be kept (pullDifferences tells).
    for (size_t i = 0; i < readBack.items.size() && readBack.items[i].header.layout() != LayoutCode::None;
         ++i) {
        ItemRecord record;
        if (!maker.makeRecord(static_cast<int>(i), readBack.items[i], record)) return out;
        if (store.writeRecord(static_cast<int>(i), record) != IoResult::Ok) {
            out.message = "cannot write the project in memory";
            return out;
        }
    }
    out.ok = true;
    return out;
}

namespace {

std::string itemText(size_t i) {
    return "item " + std::to_string(i + 1);
}

// The differences of one item: its header, then the content of each of its lines.
void compareItem(size_t i, const ReadBackItem& held, const PlannedItem& built, const ProgramPlan& plan,
                 std::vector<std::string>& out) {
    if (held.header != built.header) out.push_back(itemText(i) + ": the header differs");
    for (const ReadBackLine& line : held.lines) {
        if (line.bytes.empty()) continue;
        const uint64_t address = uint64_t{line.startSector} * ProgramImage::kSectorSize;
        const auto same = std::find_if(plan.writes.begin(), plan.writes.end(), [&](const ProgramWrite& w) {
            return w.kind == ProgramWrite::Kind::Content && w.item == static_cast<int>(i) &&
                   w.address == address &&
                   std::equal(w.bytes.begin(), w.bytes.end(), line.bytes.begin(), line.bytes.end());
        });
        if (same == plan.writes.end())
            out.push_back(itemText(i) + " line " + std::to_string(line.line) + ": the content differs");
    }
}

}  // namespace

std::vector<std::string> pullDifferences(const ProgramReadBack& readBack, const ItemStore& store) {
    std::vector<std::string> out;
    ProgramPlan plan;
    const PlanOutcome planned =
        planProgram(store, store.itemCount(), readBack.header.width, readBack.header.height, plan);
    if (planned.result != PlanResult::Ok) return {planned.message};
    if (plan.items.size() != readBack.items.size())
        out.push_back("the project holds " + std::to_string(plan.items.size()) + " items, the sign " +
                      std::to_string(readBack.items.size()));
    for (size_t i = 0; i < std::min(plan.items.size(), readBack.items.size()); ++i)
        compareItem(i, readBack.items[i], plan.items[i], plan, out);
    return out;
}

}  // namespace orb
