#include "service/calendar/PushTiming.h"

#include <array>
#include <map>
#include <string>
#include <vector>

#include "editor/core/DayTimeline.h"
#include "service/calendar/CalendarDate.h"

namespace orb {

namespace {

constexpr int64_t kDay = kMinutesPerDay;
constexpr int kDark = 0;  // the face of a dark minute

// Minutes since 1970-01-01 00:00 of a local time.
int64_t minutesOf(const LocalDateTime& t) {
    return CalendarDate{t.year, t.month, t.day}.dayNumber() * kDay + t.hour * 60 + t.minute;
}

LocalDateTime timeOf(int64_t minutes) {
    const int64_t day = minutes >= 0 ? minutes / kDay : (minutes - kDay + 1) / kDay;
    const CalendarDate d = CalendarDate::fromDayNumber(day);
    const int m = static_cast<int>(minutes - day * kDay);
    return {d.year, d.month, d.day, m / 60, m % 60, 0};
}

// What each program shows at each minute of the day, as numbers shared by both programs: equal
// numbers, equal sights.
class Faces {
  public:
    std::array<int, kMinutesPerDay> of(const ItemStore& store) {
        std::array<int, kMinutesPerDay> out{};
        std::vector<TimelinePeriod> periods;
        if (dayTimeline(store, periods) != IoResult::Ok) {
            out.fill(unreadable_--);  // shown as nothing else is
            return out;
        }
        for (const TimelinePeriod& p : periods) {
            const int face = p.dark || p.items.empty() ? kDark : faceOf(store, p.items);
            for (int m = p.start; m < p.end; ++m) out[static_cast<size_t>(m)] = face;
        }
        return out;
    }

  private:
    // The items by content: their records without the window and the start sectors.
    int faceOf(const ItemStore& store, const std::vector<int>& items) {
        std::vector<int> contents;
        for (int i : items) {
            ItemRecord r;
            store.readRecord(i, r);
            r.header.setWindow({0, 0}, {0, 0});
            for (int line = 1; line <= 3; ++line) r.header.setStartSector(line, 0);
            std::string bytes(ItemRecord::kSize, '\0');
            r.toBytes(std::span<uint8_t, ItemRecord::kSize>(reinterpret_cast<uint8_t*>(bytes.data()),
                                                            bytes.size()));
            contents.push_back(intern(contents_, std::move(bytes)));
        }
        return intern(faces_, std::move(contents));
    }

    template <typename Key>
    static int intern(std::map<Key, int>& table, Key key) {
        const int next = static_cast<int>(table.size()) + 1;
        return table.try_emplace(std::move(key), next).first->second;
    }

    std::map<std::string, int> contents_;
    std::map<std::vector<int>, int> faces_;
    int unreadable_ = -1;
};

struct Comparison {
    std::array<int, kMinutesPerDay> old, next;
    bool same(int64_t minute) const { return old[index(minute)] == next[index(minute)]; }
    bool darkInBoth(int64_t minute) const {
        return old[index(minute)] == kDark && next[index(minute)] == kDark;
    }
    static size_t index(int64_t minute) { return static_cast<size_t>(((minute % kDay) + kDay) % kDay); }
};

Comparison compare(const ItemStore& old, const ItemStore& next) {
    Faces faces;
    return {faces.of(old), faces.of(next)};
}

// The first minute from FROM on (looking a day ahead) where the programs differ; FROM + a day
// when they never do.
int64_t firstDifference(const Comparison& c, int64_t from) {
    for (int64_t m = from; m < from + kDay; ++m)
        if (!c.same(m)) return m;
    return from + kDay;
}

}  // namespace

PushTime choosePushTime(const ItemStore* old, const ItemStore& next, const LocalDateTime& effective,
                        const LocalDateTime& now) {
    const int64_t nowM = minutesOf(now), effectiveM = minutesOf(effective);
    if (!old) return {timeOf(nowM), timeOf(nowM), false, false, 0};
    const Comparison c = compare(*old, next);
    // From NOW or EFFECTIVE, whichever is later, the old program is showing what it should not.
    if (nowM >= effectiveM) {
        const int64_t differs = firstDifference(c, effectiveM);
        if (differs <= nowM)
            return {timeOf(nowM), timeOf(nowM), false, false, static_cast<int>(nowM - differs)};
    }
    // The window [start, until) around EFFECTIVE in which both show the same.
    int64_t start = std::max(nowM, effectiveM);
    while (start > nowM && c.same(start - 1)) --start;
    const int64_t until = firstDifference(c, std::max(nowM, effectiveM));
    if (start >= until) return {timeOf(effectiveM), timeOf(effectiveM), false, false, 0};
    for (int64_t m = start; m < until; ++m)
        if (c.darkInBoth(m)) return {timeOf(m), timeOf(until), true, true, 0};
    return {timeOf(start), timeOf(until), true, false, 0};
}

SwitchDelay switchDelay(const ItemStore* old, const ItemStore& next, const LocalDateTime& effective,
                        const LocalDateTime& applied) {
    const int64_t appliedM = minutesOf(applied), effectiveM = minutesOf(effective);
    if (!old) return {};
    const Comparison c = compare(*old, next);
    SwitchDelay d;
    for (int64_t m = appliedM; m < effectiveM; ++m) d.earlyMinutes += c.same(m) ? 0 : 1;
    for (int64_t m = effectiveM; m < appliedM; ++m) d.lateMinutes += c.same(m) ? 0 : 1;
    return d;
}

}  // namespace orb
