// A program's JSON form into a store: every value is checked and every problem reported with its
// place; the store is filled only when there is no error.
#include <filesystem>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>

#include "editor/core/JsonPrescan.h"
#include "editor/core/LinkChoice.h"
#include "editor/core/ProgramJson.h"
#include "editor/core/ProgramJsonNames.h"
#include "image/AttributeWord.h"
#include "image/Cp949.h"
#include "image/LocalDateTime.h"

namespace orb {

namespace {

bool digitsAt(std::string_view s, size_t at, size_t count) {
    for (size_t i = at; i < at + count; ++i)
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    return true;
}

int numberAt(std::string_view s, size_t at, size_t count) {
    int v = 0;
    for (size_t i = at; i < at + count; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

}  // namespace

// "HH:MM", two digits each.
std::optional<ClockTime> parseClockText(std::string_view s) {
    if (s.size() != 5 || !digitsAt(s, 0, 2) || s[2] != ':' || !digitsAt(s, 3, 2)) return std::nullopt;
    const int h = numberAt(s, 0, 2), m = numberAt(s, 3, 2);
    if (h > 23 || m > 59) return std::nullopt;
    return ClockTime{static_cast<uint8_t>(h), static_cast<uint8_t>(m)};
}

// "YYYY-MM-DD", a day of the calendar.
std::optional<DdayDate> parseDateText(std::string_view s) {
    if (s.size() != 10 || !digitsAt(s, 0, 4) || s[4] != '-' || !digitsAt(s, 5, 2) || s[7] != '-' ||
        !digitsAt(s, 8, 2))
        return std::nullopt;
    const int y = numberAt(s, 0, 4), m = numberAt(s, 5, 2), d = numberAt(s, 8, 2);
    if (!isCalendarDate(y, m, d)) return std::nullopt;
    return DdayDate{static_cast<uint16_t>(y), static_cast<uint8_t>(m), static_cast<uint8_t>(d)};
}

namespace {

using json = nlohmann::json;
namespace names = json_names;

std::string kindOf(const json& v) {
    if (v.is_string()) return "a string";
    if (v.is_boolean()) return "true or false";
    if (v.is_null()) return "null";
    if (v.is_array()) return "an array";
    if (v.is_object()) return "an object";
    if (v.is_number_float()) return "a fraction";
    return "a number";
}

// Texts are echoed in messages; a long one is cut.
std::string shown(const std::string& s) {
    if (s.size() <= 40) return '"' + s + '"';
    size_t cut = 40;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;  // a UTF-8 boundary
    return '"' + s.substr(0, cut) + "...\"";
}

// Keys the format does not have were refused by the scan before any tree was built; an object's
// keys are checked here only where they depend on a line's kind.
class Importer {
  public:
    Importer(const JsonImportOptions& options, JsonProblemList& problems)
        : options_(options), problems_(problems) {}

    // The document without its items, which were read one by one (ITEMS of them).
    void program(const json& doc, size_t items, SettingsBlock& settings);
    // Element I of "items"; the first hundred are kept in ITEMS.
    void itemAt(const json& v, size_t i, std::vector<ItemRecord>& items);
    void lineOnly(const json& v, const std::string& place, LayoutCode layout, int n, ItemRecord& record) {
        line(v, place, layout, n, record);
    }

  private:
    void error(const std::string& place, const std::string& message) {
        problems_.add({ProblemSeverity::Error, place, message});
    }
    void warning(const std::string& place, const std::string& message) {
        problems_.add({ProblemSeverity::Warning, place, message});
    }

    static std::string at(const std::string& place, std::string_view key) {
        return place.empty() ? std::string(key) : place + "." + std::string(key);
    }
    static std::string at(const std::string& place, size_t index) {
        return place + "[" + std::to_string(index) + "]";
    }

    // False, with an error, when V is not an object; keys outside ALLOWED (when given) are errors.
    bool object(const json& v, const std::string& place, std::span<const std::string_view> allowed = {});
    // The member KEY of OBJ, or null (an error when it is required).
    const json* member(const json& obj, std::string_view key, const std::string& place, bool required);

    std::optional<long> number(const json* v, const std::string& place, long low, long high);
    std::optional<std::string> string(const json* v, const std::string& place);
    std::optional<bool> boolean(const json* v, const std::string& place);
    std::optional<size_t> named(const json* v, const std::string& place, const names::NameList& list);
    std::optional<ClockTime> clock(const json* v, const std::string& place);

    // The optional member KEY of OBJ: LOW..HIGH shown, stored from 0; FALLBACK (stored) when absent.
    uint8_t fromOne(const json& obj, std::string_view key, const std::string& place, int high,
                    uint8_t fallback);

    void settingsOf(const json& doc, SettingsBlock& s);
    void item(const json& v, const std::string& place, ItemRecord& record);
    void heights(const json& v, const std::string& place, LayoutCode layout, ItemHeader& h);
    void line(const json& v, const std::string& place, LayoutCode layout, int n, ItemRecord& record);
    void runs(const json& obj, const std::string& place, LinePayload& payload);
    void effects(const json& obj, const std::string& place, ContentKind kind, EffectBlock& e);
    std::optional<std::string> path(const json& obj, std::string_view key, const std::string& place);
    uint16_t size16(const json& obj, std::string_view key, const std::string& place);

    JsonImportOptions options_;  // a copy: callers hand in temporaries
    JsonProblemList& problems_;
};

bool Importer::object(const json& v, const std::string& place, std::span<const std::string_view> allowed) {
    if (!v.is_object()) {
        error(place, "expected an object, not " + kindOf(v));
        return false;
    }
    for (auto it = v.begin(); it != v.end() && !allowed.empty(); ++it) {
        bool known = false;
        for (std::string_view k : allowed) known |= it.key() == k;
        if (!known) error(at(place, it.key()), "unknown key");
    }
    return true;
}

const json* Importer::member(const json& obj, std::string_view key, const std::string& place, bool required) {
    auto it = obj.find(key);
    if (it != obj.end()) return &*it;
    if (required) error(at(place, key), "missing");
    return nullptr;
}

std::optional<long> Importer::number(const json* v, const std::string& place, long low, long high) {
    if (!v) return std::nullopt;
    const std::string range =
        "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    if (!v->is_number_integer()) {
        error(place, range + ", not " + kindOf(*v));
        return std::nullopt;
    }
    // Unsigned values past the signed range are refused as too large.
    const bool big = v->is_number_unsigned() && v->get<json::number_unsigned_t>() > uint64_t{1} << 40;
    const long n = big ? high + 1 : static_cast<long>(v->get<json::number_integer_t>());
    if (n < low || n > high) {
        error(place, range);
        return std::nullopt;
    }
    return n;
}

std::optional<std::string> Importer::string(const json* v, const std::string& place) {
    if (!v) return std::nullopt;
    if (!v->is_string()) {
        error(place, "expected a string, not " + kindOf(*v));
        return std::nullopt;
    }
    return v->get<std::string>();
}

std::optional<bool> Importer::boolean(const json* v, const std::string& place) {
    if (!v) return std::nullopt;
    if (!v->is_boolean()) {
        error(place, "expected true or false, not " + kindOf(*v));
        return std::nullopt;
    }
    return v->get<bool>();
}

std::optional<size_t> Importer::named(const json* v, const std::string& place, const names::NameList& list) {
    std::optional<std::string> s = string(v, place);
    if (!s) return std::nullopt;
    std::optional<size_t> code = list.find(*s);
    if (!code) error(place, "unknown name " + shown(*s) + "; one of " + list.choices());
    return code;
}

std::optional<ClockTime> Importer::clock(const json* v, const std::string& place) {
    std::optional<std::string> s = string(v, place);
    if (!s) return std::nullopt;
    std::optional<ClockTime> t = parseClockText(*s);
    if (!t) error(place, "expected a time \"HH:MM\" (00:00 to 23:59), not " + shown(*s));
    return t;
}

uint8_t Importer::fromOne(const json& obj, std::string_view key, const std::string& place, int high,
                          uint8_t fallback) {
    std::optional<long> n = number(member(obj, key, place, false), at(place, key), 1, high);
    return n ? static_cast<uint8_t>(*n - 1) : fallback;
}

void Importer::program(const json& doc, size_t items, SettingsBlock& settings) {
    if (!object(doc, "")) return;
    number(member(doc, "version", "", true), "version", 1, 1);
    settingsOf(doc, settings);
    const json* list = member(doc, "items", "", true);
    if (!list) return;
    if (!list->is_array()) return error("items", "expected an array, not " + kindOf(*list));
    if (items > static_cast<size_t>(ItemStore::kRecords))
        error("items",
              std::to_string(items) + " items; a program holds at most 100 (더이상 삽입할수 없습니다)");
}

void Importer::itemAt(const json& v, size_t i, std::vector<ItemRecord>& items) {
    ItemRecord record;
    item(v, at("items", i), record);
    if (i < static_cast<size_t>(ItemStore::kRecords)) items.push_back(record);
}

void Importer::settingsOf(const json& doc, SettingsBlock& s) {
    s = SettingsBlock{};
    s.setComPort(1), s.setSignHeight(1), s.setSignWidth(6);
    if (const json* sign = member(doc, "sign", "", true); sign && object(*sign, "sign")) {
        if (auto w = number(member(*sign, "width", "sign", true), "sign.width", 5, 40))
            s.setSignWidth(uint8_t(*w));
        if (auto h = number(member(*sign, "height", "sign", true), "sign.height", 1, 8))
            s.setSignHeight(uint8_t(*h));
    }
    if (const json* link = member(doc, "link", "", false); link && object(*link, "link")) {
        if (auto m = named(member(*link, "mode", "link", false), "link.mode", names::linkModes()))
            s.setLinkMode(static_cast<LinkMode>(*m));
        if (auto p = number(member(*link, "comPort", "link", false), "link.comPort", 1, 20))
            s.setComPort(uint8_t(*p));
        if (auto ip = string(member(*link, "ip", "link", false), "link.ip")) {
            if (auto octets = parseIpText(*ip))
                s.setIpAddress(*octets);
            else
                error("link.ip", "expected an IPv4 address \"a.b.c.d\", not " + shown(*ip));
        }
        if (auto p = number(member(*link, "port", "link", false), "link.port", 0, 65535))
            s.setTcpPort(uint16_t(*p));
    }
    if (const json* onOff = member(doc, "onOff", "", false); onOff && object(*onOff, "onOff")) {
        if (auto e = boolean(member(*onOff, "enabled", "onOff", false), "onOff.enabled"))
            s.setOnOffEnabled(*e);
        const ClockTime on = clock(member(*onOff, "on", "onOff", false), "onOff.on").value_or(ClockTime{});
        const ClockTime off = clock(member(*onOff, "off", "onOff", false), "onOff.off").value_or(ClockTime{});
        s.setOnOffTimes(on.hour, on.minute, off.hour, off.minute);
    }
    if (auto m = named(member(doc, "displayWindow", "", false), "displayWindow", names::windowModes()))
        s.setWindowMode(uint8_t(*m));
    s.setBrightness(fromOne(doc, "brightness", "", 10, 0));
}

void Importer::item(const json& v, const std::string& place, ItemRecord& record) {
    if (!object(v, place)) return;
    const std::optional<size_t> code =
        named(member(v, "layout", place, true), at(place, "layout"), names::layouts());
    const LayoutCode layout = code ? static_cast<LayoutCode>(*code) : LayoutCode::None;
    ItemHeader& h = record.header;
    h = ItemHeader::newItem(layout == LayoutCode::None ? LayoutCode::OneLine : layout, {0, 0, 0});
    if (const json* hs = member(v, "heights", place, true)) heights(*hs, at(place, "heights"), layout, h);
    if (const json* w = member(v, "window", place, false); w && object(*w, at(place, "window"))) {
        const std::string wp = at(place, "window");
        const ClockTime start = clock(member(*w, "start", wp, true), at(wp, "start")).value_or(ClockTime{});
        const ClockTime end = clock(member(*w, "end", wp, true), at(wp, "end")).value_or(ClockTime{});
        h.setWindow(start, end);
    }
    const json* lines = member(v, "lines", place, true);
    if (!lines) return;
    const std::string lp = at(place, "lines");
    if (!lines->is_array()) return error(lp, "expected an array, not " + kindOf(*lines));
    if (layout == LayoutCode::None) return;
    const size_t wanted = static_cast<size_t>(linesOf(layout));
    if (lines->size() != wanted)
        return error(lp, "a \"" + *names::layouts().at(*code) + "\" item has " + std::to_string(wanted) +
                             " lines, not " + std::to_string(lines->size()));
    for (size_t n = 0; n < wanted; ++n) line((*lines)[n], at(lp, n), layout, static_cast<int>(n + 1), record);
}

void Importer::heights(const json& v, const std::string& place, LayoutCode layout, ItemHeader& h) {
    if (!v.is_array()) return error(place, "expected an array, not " + kindOf(v));
    if (layout == LayoutCode::None) return;
    const size_t wanted = static_cast<size_t>(linesOf(layout));
    if (v.size() != wanted)
        return error(place, "expected " + std::to_string(wanted) + " heights, one per line, not " +
                                std::to_string(v.size()));
    long total = 0;
    for (size_t n = 0; n < wanted; ++n) {
        std::optional<long> code = number(&v[n], at(place, n), 1, 8);
        if (!code) continue;
        h.setHeightCode(static_cast<int>(n + 1), static_cast<uint8_t>(*code));
        total += *code;
    }
    if (total > 8)
        error(place,
              "the lines are " + std::to_string(total) + " modules high in all; at most 8 (128 pixels)");
}

// The keys each kind of line has.
std::span<const std::string_view> keysOf(ContentKind kind, bool title) {
    static constexpr std::string_view kTitleKeys[] = {"kind", "runs"};
    static constexpr std::string_view kSentence[] = {"kind", "runs", "effects"};
    static constexpr std::string_view kDday[] = {"kind", "date", "runs", "speed"};
    static constexpr std::string_view kBitmap[] = {"kind", "path", "width", "height", "effects"};
    static constexpr std::string_view kPhrase[] = {"kind", "path", "rtf", "width", "height", "effects"};
    static constexpr std::string_view kAnimation[] = {"kind", "path", "width", "height", "frames", "speed"};
    static constexpr std::string_view kTimed[] = {"kind", "holdTime", "speed"};
    static constexpr std::string_view kNone[] = {"kind"};
    if (title) return kTitleKeys;
    switch (kind) {
        case ContentKind::Sentence:
            return kSentence;
        case ContentKind::Dday:
            return kDday;
        case ContentKind::Bitmap:
            return kBitmap;
        case ContentKind::BitmapPhrase:
            return kPhrase;
        case ContentKind::Animation:
            return kAnimation;
        case ContentKind::Clock:
        case ContentKind::Temperature:
            return kTimed;
        default:
            return kNone;
    }
}

void Importer::line(const json& v, const std::string& place, LayoutCode layout, int n, ItemRecord& record) {
    if (!v.is_object()) return error(place, "expected an object, not " + kindOf(v));
    const json* kindValue = member(v, "kind", place, true);
    std::optional<std::string> kindName = string(kindValue, at(place, "kind"));
    if (!kindName) return;
    const bool titleItem = layout == LayoutCode::TitleAndSentence;
    const bool title = *kindName == names::kTitle;
    std::optional<size_t> code = title ? std::optional<size_t>(0) : names::kinds().find(*kindName);
    const std::string kp = at(place, "kind");
    if (!code)
        return error(
            kp, "unknown name " + shown(*kindName) + "; one of " + names::kinds().choices() + ", \"title\"");
    const ContentKind kind = static_cast<ContentKind>(*code);
    if (titleItem && n == 1 && !title) return error(kp, "line 1 of a title and sentence item is \"title\"");
    if (titleItem && n == 2 && kind != ContentKind::Sentence && kind != ContentKind::None)
        return error(kp, "line 2 of a title and sentence item is \"sentence\" or \"none\"");
    if (!titleItem && title) return error(kp, "only line 1 of a title and sentence item is a title");
    if (!object(v, place, keysOf(kind, title))) return;

    ItemHeader& h = record.header;
    LinePayload& payload = record.line(n);
    h.setKind(n, kind);
    EffectBlock e;
    switch (kind) {
        case ContentKind::None:
            if (title) runs(v, place, payload);
            return;
        case ContentKind::Sentence:
            runs(v, place, payload);
            effects(v, place, kind, e);
            break;
        case ContentKind::Dday: {
            const std::string dp = at(place, "date");
            if (auto s = string(member(v, "date", place, true), dp)) {
                if (auto d = parseDateText(*s))
                    h.setDdayDate(n, *d);
                else
                    error(dp, "expected a date \"YYYY-MM-DD\", not " + shown(*s));
            }
            runs(v, place, payload);
            e.entrySpeed = fromOne(v, "speed", place, 5, 0);
            break;
        }
        case ContentKind::Bitmap:
        case ContentKind::BitmapPhrase:
            if (auto p = path(v, "path", place)) payload.setPath(*p);
            if (kind == ContentKind::BitmapPhrase) {
                // null: a phrase without its rich text (read back from a sign); the path stays empty.
                const json* rtf = member(v, "rtf", place, true);
                if (rtf && !rtf->is_null())
                    if (auto p = path(v, "rtf", place)) payload.setRtfPath(*p);
            }
            h.setPictureSize(n, size16(v, "width", place), size16(v, "height", place));
            effects(v, place, kind, e);
            break;
        case ContentKind::Animation:
            if (auto p = path(v, "path", place)) payload.setPath(*p);
            h.setPictureSize(n, size16(v, "width", place), size16(v, "height", place));
            h.setFrameCount(n, size16(v, "frames", place));
            h.setAnimationSpeed(n, fromOne(v, "speed", place, 5, 0));
            return;  // an animation keeps no effect block
        case ContentKind::Clock:
        case ContentKind::Temperature:
            e.holdTime = fromOne(v, "holdTime", place, 10, 2);
            e.entrySpeed = fromOne(v, "speed", place, 5, 0);
            break;
        default:
            return;
    }
    h.setEffects(n, e);
}

void Importer::runs(const json& obj, const std::string& place, LinePayload& payload) {
    const std::string rp = at(place, "runs");
    const json* list = member(obj, "runs", place, true);
    if (!list) return;
    if (!list->is_array()) return error(rp, "expected an array, not " + kindOf(*list));
    std::string text;
    std::vector<uint16_t> words;
    bool tooLong = false;
    for (size_t r = 0; r < list->size(); ++r) {
        const json& run = (*list)[r];
        const std::string p = at(rp, r);
        if (!object(run, p)) continue;
        Attributes a;
        if (auto c = named(member(run, "colour", p, false), at(p, "colour"), names::textColours()))
            a.text = static_cast<TextColour>(*c);
        if (auto c = named(member(run, "background", p, false), at(p, "background"), names::backgrounds()))
            a.background = static_cast<BackgroundColour>(*c);
        if (auto c = named(member(run, "font", p, false), at(p, "font"), names::typefaces()))
            a.typeface = static_cast<Typeface>(*c);
        std::optional<std::string> utf8 = string(member(run, "text", p, true), at(p, "text"));
        if (!utf8) continue;
        const std::string tp = at(p, "text");
        std::optional<std::string> cp949 = utf8ToCp949(*utf8);
        if (!cp949) {
            error(tp, "holds characters that CP949 cannot represent");
            continue;
        }
        if (cp949->find('\0') != std::string::npos) {
            error(tp, "holds a zero character");
            continue;
        }
        if (hasNonKsx1001(*cp949))
            warning(tp, "holds characters outside KS X 1001, which the sign cannot draw");
        if (!tooLong && text.size() + cp949->size() > LinePayload::kMaxText) {
            tooLong = true;
            error(tp, "the line's text reaches " + std::to_string(text.size() + cp949->size()) +
                          " CP949 bytes here; at most 511");
        }
        const uint16_t word = toAttributeWord(a);
        for (size_t i = 0; i < cp949->size(); i += cp949CharWidth(*cp949, i)) {
            words.push_back(word);
            if (cp949CharWidth(*cp949, i) == 2) words.push_back(0);
        }
        text += *cp949;
    }
    if (tooLong || !payload.setText(text)) return;
    for (size_t i = 0; i < words.size(); ++i) payload.setAttributeWord(i, words[i]);
}

void Importer::effects(const json& obj, const std::string& place, ContentKind kind, EffectBlock& e) {
    e = EffectBlock{};
    e.holdTime = 2;  // the dialogs open on "3"
    const json* v = member(obj, "effects", place, false);
    const std::string p = at(place, "effects");
    if (!v || !object(*v, p)) return;
    if (auto c = named(member(*v, "entry", p, false), at(p, "entry"), names::entryEffectsFor(kind)))
        e.entry = uint8_t(*c);
    if (auto c = named(member(*v, "hold", p, false), at(p, "hold"), names::holdEffects()))
        e.hold = uint8_t(*c);
    if (auto c = named(member(*v, "exit", p, false), at(p, "exit"), names::exitEffects()))
        e.exit = uint8_t(*c);
    e.holdTime = fromOne(*v, "holdTime", p, 10, 2);
    e.entrySpeed = fromOne(*v, "entrySpeed", p, 5, 0);
    e.holdSpeed = fromOne(*v, "holdSpeed", p, 5, 0);
    e.exitSpeed = fromOne(*v, "exitSpeed", p, 5, 0);
}

std::optional<std::string> Importer::path(const json& obj, std::string_view key, const std::string& place) {
    const std::string p = at(place, key);
    std::optional<std::string> utf8 = string(member(obj, key, place, true), p);
    if (!utf8) return std::nullopt;
    if (utf8->empty()) {
        error(p, "empty");
        return std::nullopt;
    }
    std::optional<std::string> cp949 = utf8ToCp949(*utf8);
    if (!cp949 || cp949->find('\0') != std::string::npos) {
        error(p, "holds characters that CP949 cannot represent");
        return std::nullopt;
    }
    if (cp949->size() > LinePayload::kPathArea - 1) {
        error(p, "is " + std::to_string(cp949->size()) + " CP949 bytes; at most 511");
        return std::nullopt;
    }
    if (options_.fileExists && !options_.fileExists(*utf8)) warning(p, "no such file: " + shown(*utf8));
    return cp949;
}

uint16_t Importer::size16(const json& obj, std::string_view key, const std::string& place) {
    return static_cast<uint16_t>(number(member(obj, key, place, true), at(place, key), 0, 65535).value_or(0));
}

// The places a line has, under AT: the keys of every kind, a text's runs and the effects.
void addLinePlaces(JsonShape& shape, const std::string& at) {
    const auto under = [&](std::string_view key) {
        return at.empty() ? std::string(key) : at + "." + std::string(key);
    };
    for (size_t kind = 0; kind <= static_cast<size_t>(ContentKind::Temperature); ++kind)
        for (std::string_view key : keysOf(static_cast<ContentKind>(kind), false)) shape.add(under(key));
    for (std::string_view key : {"text", "colour", "background", "font"})
        shape.add(under("runs[]." + std::string(key)));
    for (std::string_view key : {"entry", "hold", "exit", "holdTime", "entrySpeed", "holdSpeed", "exitSpeed"})
        shape.add(under("effects." + std::string(key)));
    shape.limit(under("runs"), static_cast<int>(LinePayload::kMaxText));  // runs hold a character or more
}

// docs/program-format.md: the document's places.
const JsonShape& programShape() {
    static const JsonShape shape = [] {
        JsonShape s;
        for (std::string_view key :
             {"version", "sign.width", "sign.height", "link.mode", "link.comPort", "link.ip", "link.port",
              "onOff.enabled", "onOff.on", "onOff.off", "displayWindow", "brightness", "items[].layout",
              "items[].heights[]", "items[].window.start", "items[].window.end"})
            s.add(key);
        addLinePlaces(s, "items[].lines[]");
        s.limit("items[].heights", 3).limit("items[].lines", 3);
        return s;
    }();
    return shape;
}

// One line, or the two lines [title, sentence] of a title and sentence.
const JsonShape& lineShape() {
    static const JsonShape shape = [] {
        JsonShape s;
        addLinePlaces(s, "");
        addLinePlaces(s, "[]");
        s.limit("", 2);
        return s;
    }();
    return shape;
}

// Size first, then the scan against SHAPE: true when a tree may be built.
bool scanned(std::string_view text, const JsonShape& shape, std::vector<JsonProblem>& problems) {
    if (text.size() > kMaxProgramJsonBytes) {
        problems.push_back({ProblemSeverity::Error, "",
                            "the document is " + std::to_string(text.size()) + " bytes; at most " +
                                std::to_string(kMaxProgramJsonBytes)});
        return false;
    }
    const JsonLimits limits{kMaxProgramJsonDepth, kMaxProgramJsonElements, kMaxProgramJsonMembers,
                            kMaxProgramJsonString};
    problems = prescanJson(text, limits, &shape);
    return problems.empty();
}

// Builds a scanned program's tree, but hands each element of the root's "items" to ON_ITEM as a
// tree of its own and keeps none of them: at most one item's tree is held at a time.
class ItemByItemSax {
  public:
    explicit ItemByItemSax(std::function<void(const json&)> onItem) : onItem_(std::move(onItem)) {}

    json& document() { return root_; }

    bool null() { return put(nullptr); }
    bool boolean(bool v) { return put(v); }
    bool number_integer(json::number_integer_t v) { return put(v); }
    bool number_unsigned(json::number_unsigned_t v) { return put(v); }
    bool number_float(json::number_float_t v, const std::string&) { return put(v); }
    bool string(std::string& v) { return put(std::move(v)); }
    bool binary(json::binary_t& v) { return put(std::move(v)); }
    bool start_object(std::size_t) { return open(json::object()); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool key(std::string& k) {
        key_ = std::move(k);
        return true;
    }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

  private:
    // Where a value that starts now goes: an element of "items" into item_, apart.
    json* insert(json&& v) {
        if (open_.empty()) return &(root_ = std::move(v));
        json& top = *open_.back();
        if (&top == items_) return &(item_ = std::move(v));
        if (top.is_array()) return &top.emplace_back(std::move(v));
        return &(top[key_] = std::move(v));
    }
    bool put(json&& v) {
        if (insert(std::move(v)) == &item_) handItem();
        return true;
    }
    bool open(json&& v) {
        const bool items = open_.size() == 1 && open_.back()->is_object() && key_ == "items" && v.is_array();
        json* at = insert(std::move(v));
        open_.push_back(at);
        if (items) items_ = at;
        return true;
    }
    bool close() {
        const json* closed = open_.back();
        open_.pop_back();
        if (closed == &item_) handItem();
        return true;
    }
    void handItem() {
        onItem_(item_);
        item_ = json();
    }

    std::function<void(const json&)> onItem_;
    json root_, item_;
    std::vector<json*> open_;  // the containers being filled, innermost last
    const json* items_ = nullptr;
    std::string key_;
};

JsonImportOptions withFileSystem(const JsonImportOptions& given) {
    JsonImportOptions options = given;
    if (!options.fileExists)
        options.fileExists = [](const std::string& p) {
            std::error_code ec;
            return std::filesystem::is_regular_file(p, ec);
        };
    return options;
}

}  // namespace

std::vector<JsonProblem> importLineJson(std::string_view text, LayoutCode layout, int line,
                                        const JsonImportOptions& given, ItemRecord& out,
                                        std::vector<int>& lines) {
    std::vector<JsonProblem> problems;
    if (!scanned(text, lineShape(), problems)) return problems;
    const nlohmann::json doc = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (doc.is_discarded()) return {{ProblemSeverity::Error, "", "not JSON"}};
    ItemRecord record;
    record.header = ItemHeader::newItem(layout, {1, 1, 1});
    JsonProblemList found;
    Importer importer(withFileSystem(given), found);
    std::vector<int> filled;
    if (layout == LayoutCode::TitleAndSentence && line == 1 && doc.is_array()) {
        if (doc.size() != 2) found.add({ProblemSeverity::Error, "", "expected [title, sentence], two lines"});
        for (size_t n = 0; n < doc.size() && n < 2; ++n) {
            importer.lineOnly(doc[n], "[" + std::to_string(n) + "]", layout, static_cast<int>(n + 1), record);
            filled.push_back(static_cast<int>(n + 1));
        }
    } else {
        importer.lineOnly(doc, "", layout, line, record);
        filled.push_back(line);
    }
    problems = std::move(found).close();
    if (hasErrors(problems)) return problems;
    out = record;
    lines = filled;
    return problems;
}

std::vector<JsonProblem> importProgramJson(std::string_view text, const JsonImportOptions& given,
                                           ItemStore& store) {
    std::vector<JsonProblem> problems;
    if (!scanned(text, programShape(), problems)) return problems;
    const JsonImportOptions options = withFileSystem(given);
    // The items' problems come after the document's own, as they would in a whole tree.
    JsonProblemList found, itemProblems;
    Importer itemImporter(options, itemProblems);
    std::vector<ItemRecord> items;
    size_t count = 0;
    ItemByItemSax sax([&](const json& item) { itemImporter.itemAt(item, count++, items); });
    if (!json::sax_parse(text.begin(), text.end(), &sax, json::input_format_t::json, true, false))
        return {{ProblemSeverity::Error, "", "not JSON"}};
    SettingsBlock settings;
    Importer(options, found).program(sax.document(), count, settings);
    found.append(std::move(itemProblems));
    problems = std::move(found).close();
    if (hasErrors(problems)) return problems;

    ItemStore filled;
    IoResult r = IoResult::Ok;
    for (size_t i = 0; i < items.size() && r == IoResult::Ok; ++i)
        r = filled.writeRecord(static_cast<int>(i), items[i]);
    if (r == IoResult::Ok) r = filled.writeSettings(settings);
    if (r != IoResult::Ok) {
        problems.push_back(
            {ProblemSeverity::Error, "", std::string("cannot fill the project: ") + toText(r)});
        return problems;
    }
    store = std::move(filled);
    return problems;
}

}  // namespace orb
