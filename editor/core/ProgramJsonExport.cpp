// The JSON form of a store: settings as the editor reads them, then the items in list order.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "editor/core/LinkChoice.h"
#include "editor/core/ProgramJson.h"
#include "editor/core/ProgramJsonNames.h"
#include "image/AttributeWord.h"
#include "image/Cp949.h"
#include "image/LocalDateTime.h"

namespace orb {

namespace {

using ojson = nlohmann::ordered_json;
namespace names = json_names;

std::string twoDigits(int a, int b, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

std::string clockText(uint8_t hour, uint8_t minute) {
    return twoDigits(hour, minute, "%02d:%02d");
}

class Exporter {
  public:
    explicit Exporter(std::vector<JsonProblem>& problems) : problems_(problems) {}

    ojson program(const ItemStore& store);

  private:
    void fail(const std::string& place, const std::string& message) {
        problems_.push_back({ProblemSeverity::Error, place, message});
    }

    // The name of CODE in LIST, or "" with an error at PLACE.
    std::string name(const names::NameList& list, size_t code, const std::string& place) {
        if (const std::string* n = list.at(code); n && !n->empty()) return *n;
        fail(place, "the stored code " + std::to_string(code) + " has no name");
        return {};
    }

    // A stored 0-based list position shown from 1; out of 0..count-1 is an error.
    int fromOne(uint8_t code, int count, const std::string& place) {
        if (code >= count)
            fail(place,
                 "the stored code " + std::to_string(code) + " is outside 0.." + std::to_string(count - 1));
        return code + 1;
    }

    std::string utf8(const std::string& cp949, const std::string& place) {
        std::optional<std::string> text = cp949ToUtf8(cp949);
        if (!text) fail(place, "the stored text is not CP949");
        return text.value_or("");
    }

    std::string clock(const ClockTime& t, const std::string& place) {
        if (t.hour > 23 || t.minute > 59)
            fail(place, "the stored time " + clockText(t.hour, t.minute) + " is not a time");
        return clockText(t.hour, t.minute);
    }

    ojson settings(const ItemStore& store);
    ojson item(const ItemRecord& record, const std::string& place);
    ojson line(const ItemRecord& record, int n, const std::string& place);
    ojson runs(const LinePayload& payload, const std::string& place);
    ojson effects(const EffectBlock& e, ContentKind kind, const std::string& place);
    std::string date(const DdayDate& d, const std::string& place);

    std::vector<JsonProblem>& problems_;
};

ojson Exporter::program(const ItemStore& store) {
    ojson doc;
    doc["version"] = 1;
    doc.update(settings(store));
    ojson items = ojson::array();
    const int count = store.itemCount();
    for (int i = 0; i < count; ++i) {
        ItemRecord record;
        if (store.readRecord(i, record) != IoResult::Ok) {
            fail("items[" + std::to_string(i) + "]", "cannot be read");
            continue;
        }
        items.push_back(item(record, "items[" + std::to_string(i) + "]"));
    }
    doc["items"] = std::move(items);
    return doc;
}

ojson Exporter::settings(const ItemStore& store) {
    SettingsBlock s;
    if (store.readSettings(s) != IoResult::Ok) fail("", "the settings cannot be read");
    s.correct();  // as the editor reads them
    ojson out;
    out["sign"] = {{"width", s.signWidth()}, {"height", s.signHeight()}};
    const auto ip = s.ipAddress();
    out["link"] = {{"mode", *names::linkModes().at(static_cast<size_t>(s.linkMode()))},
                   {"comPort", s.comPort()},
                   {"ip", dottedAddress(ip)},
                   {"port", s.tcpPort()}};
    out["onOff"] = {{"enabled", s.onOffEnabled()},
                    {"on", clock({s.onHour(), s.onMinute()}, "onOff.on")},
                    {"off", clock({s.offHour(), s.offMinute()}, "onOff.off")}};
    out["displayWindow"] = *names::windowModes().at(s.windowMode());
    out["brightness"] = fromOne(s.brightness(), 10, "brightness");
    return out;
}

ojson Exporter::item(const ItemRecord& record, const std::string& place) {
    const ItemHeader& h = record.header;
    ojson out;
    out["layout"] = name(names::layouts(), static_cast<size_t>(h.layout()), place + ".layout");
    const int lines = linesOf(h.layout());
    ojson heights = ojson::array();
    for (int n = 1; n <= lines; ++n) {
        const int code = h.heightCode(n);  // already counted from 1
        if (code < 1 || code > 8)
            fail(place + ".heights[" + std::to_string(n - 1) + "]",
                 "the stored height code " + std::to_string(code) + " is outside 1..8");
        heights.push_back(code);
    }
    out["heights"] = std::move(heights);
    out["window"] = {{"start", clock(h.windowStart(), place + ".window.start")},
                     {"end", clock(h.windowEnd(), place + ".window.end")}};
    ojson lineList = ojson::array();
    for (int n = 1; n <= lines; ++n)
        lineList.push_back(line(record, n, place + ".lines[" + std::to_string(n - 1) + "]"));
    out["lines"] = std::move(lineList);
    return out;
}

ojson Exporter::line(const ItemRecord& record, int n, const std::string& place) {
    const ItemHeader& h = record.header;
    const LinePayload& payload = record.line(n);
    const ContentKind kind = h.kind(n);
    ojson out;
    if (h.layout() == LayoutCode::TitleAndSentence) {
        // The title keeps kind 0; the sentence's kind is 1 once it has been edited.
        const ContentKind expected = n == 1 ? ContentKind::None : ContentKind::Sentence;
        if (kind != ContentKind::None && kind != expected)
            fail(place + ".kind", "a title and sentence item has the stored kind " +
                                      std::to_string(static_cast<int>(kind)) + " here");
        if (n == 1) {
            out["kind"] = names::kTitle;
            out["runs"] = runs(payload, place + ".runs");
            return out;
        }
        // The sign plays this sentence whatever its kind; without the kind it would be lost.
        if (kind == ContentKind::None && (!payload.text().empty() || h.effects(2) != EffectBlock{}))
            fail(place + ".kind", "a sentence is stored without its kind");
    }
    out["kind"] = name(names::kinds(), static_cast<size_t>(kind), place + ".kind");
    switch (kind) {
        case ContentKind::Sentence:
            out["runs"] = runs(payload, place + ".runs");
            out["effects"] = effects(h.effects(n), kind, place + ".effects");
            break;
        case ContentKind::Dday:
            out["date"] = date(h.ddayDate(n), place + ".date");
            out["runs"] = runs(payload, place + ".runs");
            out["speed"] = fromOne(h.effects(n).entrySpeed, 5, place + ".speed");
            break;
        case ContentKind::Bitmap:
        case ContentKind::BitmapPhrase:
            out["path"] = utf8(payload.path(), place + ".path");
            if (kind == ContentKind::BitmapPhrase)
                out["rtf"] = payload.rtfPath().empty() ? ojson(nullptr)
                                                       : ojson(utf8(payload.rtfPath(), place + ".rtf"));
            out["width"] = h.pictureWidth(n);
            out["height"] = h.pictureHeight(n);
            out["effects"] = effects(h.effects(n), kind, place + ".effects");
            break;
        case ContentKind::Animation:
            out["path"] = utf8(payload.path(), place + ".path");
            out["width"] = h.pictureWidth(n);
            out["height"] = h.pictureHeight(n);
            out["frames"] = h.frameCount(n);
            out["speed"] = fromOne(h.animationSpeed(n), 5, place + ".speed");
            break;
        case ContentKind::Clock:
        case ContentKind::Temperature:
            out["holdTime"] = fromOne(h.effects(n).holdTime, 10, place + ".holdTime");
            out["speed"] = fromOne(h.effects(n).entrySpeed, 5, place + ".speed");
            break;
        default:
            break;
    }
    return out;
}

// Runs of characters with the same attributes; a character's attributes are the word at its
// first byte.
ojson Exporter::runs(const LinePayload& payload, const std::string& place) {
    const std::string text = payload.text();
    ojson out = ojson::array();
    size_t begin = 0;
    uint16_t runWord = 0;
    auto flush = [&](size_t end) {
        if (end == begin) return;
        const Attributes a = fromAttributeWord(runWord);
        const std::string at = place + "[" + std::to_string(out.size()) + "]";
        out.push_back({{"text", utf8(text.substr(begin, end - begin), at + ".text")},
                       {"colour", *names::textColours().at(static_cast<size_t>(a.text))},
                       {"background", *names::backgrounds().at(static_cast<size_t>(a.background))},
                       {"font", *names::typefaces().at(static_cast<size_t>(a.typeface))}});
        begin = end;
    };
    for (size_t i = 0; i < text.size(); i += cp949CharWidth(text, i)) {
        const uint16_t word = toAttributeWord(fromAttributeWord(payload.attributeWord(i)));
        if (i > begin && word != runWord) flush(i);
        runWord = word;
    }
    flush(text.size());
    return out;
}

ojson Exporter::effects(const EffectBlock& e, ContentKind kind, const std::string& place) {
    ojson out;
    out["entry"] = name(names::entryEffectsFor(kind), e.entry, place + ".entry");
    out["hold"] = name(names::holdEffects(), e.hold, place + ".hold");
    out["exit"] = name(names::exitEffects(), e.exit, place + ".exit");
    out["holdTime"] = fromOne(e.holdTime, 10, place + ".holdTime");
    out["entrySpeed"] = fromOne(e.entrySpeed, 5, place + ".entrySpeed");
    out["holdSpeed"] = fromOne(e.holdSpeed, 5, place + ".holdSpeed");
    out["exitSpeed"] = fromOne(e.exitSpeed, 5, place + ".exitSpeed");
    return out;
}

std::string Exporter::date(const DdayDate& d, const std::string& place) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned{d.year}, unsigned{d.month}, unsigned{d.day});
    if (!isCalendarDate(d.year, d.month, d.day))
        fail(place, std::string("the stored date ") + text + " is not a date");
    return text;
}

}  // namespace

std::string toText(const JsonProblem& p) {
    std::string out = p.severity == ProblemSeverity::Error ? "error: " : "warning: ";
    if (!p.place.empty()) out += p.place + ": ";
    return out + p.message;
}

bool hasErrors(const std::vector<JsonProblem>& problems) {
    for (const JsonProblem& p : problems)
        if (p.severity == ProblemSeverity::Error) return true;
    return false;
}

void JsonProblemList::add(JsonProblem problem) {
    if (shown_.size() < kMaxProgramJsonProblems) return shown_.push_back(std::move(problem));
    ++unshown_;
    unshownError_ |= problem.severity == ProblemSeverity::Error;
}

void JsonProblemList::append(JsonProblemList&& other) {
    for (JsonProblem& p : other.shown_) add(std::move(p));
    unshown_ += other.unshown_;
    unshownError_ |= other.unshownError_;
}

std::vector<JsonProblem> JsonProblemList::close() && {
    if (unshown_ > 0)
        shown_.push_back({unshownError_ ? ProblemSeverity::Error : ProblemSeverity::Warning, "",
                          std::to_string(unshown_) + " more problems not shown"});
    return std::move(shown_);
}

std::vector<JsonProblem> exportProgramJson(const ItemStore& store, std::string& json) {
    std::vector<JsonProblem> problems;
    Exporter exporter(problems);
    const ojson doc = exporter.program(store);
    json = hasErrors(problems) ? std::string() : doc.dump(2) + "\n";
    return problems;
}

}  // namespace orb
