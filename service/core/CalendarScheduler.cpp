#include "service/core/CalendarScheduler.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "editor/core/ProgramJson.h"
#include "service/calendar/PlanResolver.h"
#include "service/calendar/PlayedDay.h"
#include "service/calendar/PushTiming.h"
#include "service/core/NetworkCalendar.h"

namespace orb {

namespace {

std::vector<uint8_t> bytesOf(const ItemStore& store) {
    std::vector<uint8_t> bytes(ItemStore::kFileSize);
    if (store.readAll(std::span<uint8_t, ItemStore::kFileSize>(bytes.data(), ItemStore::kFileSize)) !=
        IoResult::Ok)
        bytes.clear();
    return bytes;
}

uint64_t hashOf(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return 0;
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return std::hash<std::string_view>{}(view) | 1;  // 0 stands for "cannot be read"
}

uint64_t hashOf(const ItemStore& store) {
    return hashOf(bytesOf(store));
}

std::shared_ptr<ItemStore> storeOf(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != ItemStore::kFileSize) return nullptr;
    auto store = std::make_shared<ItemStore>();
    if (store->writeAll(std::span<const uint8_t, ItemStore::kFileSize>(bytes.data(), ItemStore::kFileSize)) !=
        IoResult::Ok)
        return nullptr;
    return store;
}

CalendarDate dateOf(const LocalDateTime& t) {
    return {t.year, t.month, t.day};
}

LocalDateTime at(const CalendarDate& d, int minute = 0) {
    return {d.year, d.month, d.day, minute / 60, minute % 60, 0};
}

// Minutes since 1970-01-01 00:00: times compared to the minute.
int64_t minutesOf(const LocalDateTime& t) {
    return dateOf(t).dayNumber() * kDayMinutes + t.hour * 60 + t.minute;
}

std::vector<ProgramId> sourcesOf(const std::vector<CompiledItem>& items) {
    std::set<ProgramId> ids;
    for (const CompiledItem& i : items) ids.insert(i.program);
    return {ids.begin(), ids.end()};
}

// How long a failed push waits before the same program is pushed again.
constexpr int64_t kPushAgainMinutes = 10;

// How long a failed takeover push waits before it is made again (sooner when the sign answers).
constexpr int64_t kTakeoverAgainMinutes = 1;

// How long after the quiet minute a sign's daily clock setting may still be sent.
constexpr int kClockSetMinutes = 60;

std::string signText(int64_t id) {
    return "sign " + std::to_string(id);
}

}  // namespace

std::string calendarProgramName(int64_t sign) {
    return "calendar for sign " + std::to_string(sign);
}

CalendarScheduler::CalendarScheduler(SignNetwork& network, const ServiceSettings& settings)
    : net_(network), settings_(settings) {}

CalendarScheduler::~CalendarScheduler() {
    stop();
}

void CalendarScheduler::start(int periodMs) {
    stop();
    stopping_ = false;
    thread_ = std::thread([this, periodMs] {
        std::unique_lock lock(wakeMutex_);
        while (!stopping_) {
            lock.unlock();
            tick();
            lock.lock();
            wake_.wait_for(lock, std::chrono::milliseconds(periodMs), [this] { return stopping_; });
        }
    });
}

void CalendarScheduler::stop() {
    {
        std::lock_guard lock(wakeMutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

int CalendarScheduler::tick() {
    std::lock_guard lock(tickMutex_);
    std::vector<SignRecord> signs;
    CalendarContents contents;
    if (net_.store.signs.list(signs) != DbStatus::Ok || net_.store.calendar.list(contents) != DbStatus::Ok)
        return 0;
    readSources();
    const LocalDateTime now = net_.clock.now().time;
    const int64_t today = dateOf(now).dayNumber();
    std::erase_if(compiled_, [today](const auto& c) { return c.first.second < today; });
    const std::shared_ptr<const HolidayCalendar> holidays = net_.store.holidays.calendar();
    for (const SignRecord& sign : signs) notice(sign);
    std::vector<Takeover> takeovers;
    readTakeovers(takeovers, now);
    std::set<int64_t> busy;
    int made = pushTakeovers(signs, takeovers, now, busy);
    for (const SignRecord& sign : signs)
        if (!busy.contains(sign.id) && tickSign(sign, contents, *holidays, takeovers, now)) ++made;
    return made;
}

void CalendarScheduler::readSources() {
    std::map<ProgramId, int> latest;
    if (net_.store.programs.latestVersions(latest) != DbStatus::Ok) return;
    // Gone or newer: read again when asked for.
    std::erase_if(sources_, [&latest](const auto& s) {
        const auto it = latest.find(s.first);
        return it == latest.end() || it->second != s.second.version;
    });
    for (const auto& [id, version] : latest) sources_.try_emplace(id, SourceProgram{version, nullptr, {}});
}

const ItemStore* CalendarScheduler::source(ProgramId id) {
    const auto it = sources_.find(id);
    if (it == sources_.end()) return nullptr;
    SourceProgram& s = it->second;
    if (!s.store) {
        ProgramVersionRecord v;
        if (net_.store.programs.version(id, s.version, v) != DbStatus::Ok) return nullptr;
        s.store = storeOf(v.store);
        s.files = v.files;
    }
    return s.store.get();
}

void CalendarScheduler::notice(const SignRecord& sign) {
    SignMemo& m = memos_[sign.id];
    if (sign.state == SignState::Busy || sign.state == SignState::Unknown) return;
    if (m.seen == SignState::Unreachable && sign.state != SignState::Unreachable) {
        m.clockAgain = m.onOffAgain = m.brightnessAgain = m.windowAgain = m.takeoverAgain = true;
        m.pushed = 0;
        net_.logEvent("calendar: " + signText(sign.id) +
                      " answers again; its clock and settings are sent again");
    }
    m.seen = sign.state;
}

bool CalendarScheduler::tickSign(const SignRecord& sign, const CalendarContents& contents,
                                 const HolidayCalendar& holidays, const std::vector<Takeover>& takeovers,
                                 const LocalDateTime& now) {
    if (sign.busyJob || sign.state == SignState::Unreachable || sign.state == SignState::OtherModel)
        return false;
    const CalendarDate today = dateOf(now);
    const auto exists = [this](ProgramId id) { return sources_.contains(id); };
    const std::vector<PlanTakeover> mine = planTakeoversOf(sign.id, takeovers);
    const auto resolve = [&](std::span<const PlanTakeover> over) {
        return resolvePlan(planSignOf(sign), contents.entries, holidays, {contents.brightness, contents.onOff},
                           today, today.plusDays(1), exists, over);
    };
    std::vector<DayPlan> days = resolve(mine);
    if (days.size() != 2) return false;
    const int minute = now.hour * 60 + now.minute;
    for (const PlanPeriod& p : days[0].periods)
        if (p.takeover && p.span.start <= minute && minute < p.span.end)
            return windowIfDue(sign, true) || settingsIfDue(sign, days[0], now, true);
    if (!mine.empty()) {
        // What the calendar says underneath the takeovers that have ended.
        days = resolve({});
        if (restore(sign, takeovers, usesCalendar(days[0]) || usesCalendar(days[1]))) return true;
    }
    // A sign the calendar does not name keeps the display-window mode its operators gave it.
    const bool calendar = usesCalendar(days[0]) || usesCalendar(days[1]);
    if (calendar) memos_[sign.id].windowBack.reset();  // the calendar's mode rules from now on
    return pushIfDue(sign, days, now) || (calendar ? windowIfDue(sign) : windowBackIfDue(sign)) ||
           settingsIfDue(sign, days[0], now);
}

bool CalendarScheduler::windowIfDue(const SignRecord& sign, bool lit) {
    const int mode = lit ? 0 : 1;
    const bool again = std::exchange(memos_[sign.id].windowAgain, false);
    if (sign.settings.windowMode == mode && !again) return false;
    JobParams p;
    p.mode = mode;
    return createJob(sign, JobAction::Window, p,
                     lit     ? "a takeover plays"
                     : again ? "it answers again"
                             : "the compiled windows");
}

bool CalendarScheduler::windowBackIfDue(const SignRecord& sign) {
    std::optional<int>& mode = memos_[sign.id].windowBack;
    if (mode && sign.settings.windowMode == mode) mode.reset();
    if (!mode) return false;
    JobParams p;
    p.mode = *mode;
    if (!createJob(sign, JobAction::Window, p, "its mode before the takeover")) return false;
    mode.reset();
    return true;
}

void CalendarScheduler::readTakeovers(std::vector<Takeover>& out, const LocalDateTime& now) {
    out.clear();
    if (net_.store.takeovers.list(false, out) != DbStatus::Ok) {
        out.clear();
        return;
    }
    const std::string nowText = toIsoText({now, 999});
    std::erase_if(out, [](const Takeover& t) {
        return t.ended &&
               std::all_of(t.acks.begin(), t.acks.end(), [](const TakeoverAck& a) { return a.restored; });
    });
    for (Takeover& t : out) {
        if (!t.ended && t.until && *t.until <= nowText) {
            // Ended at its time, whenever the service sees it.
            const Actor endedAt{"orbd", *t.until};
            if (net_.store.takeovers.end(t.id, endedAt, "until " + *t.until + " reached") == DbStatus::Ok) {
                t.ended = *t.until, t.endedBy = "orbd";
                net_.logEvent("takeover " + std::to_string(t.id) + " ended at " + *t.until);
            }
        }
        recordAcks(t);
    }
}

void CalendarScheduler::recordAcks(Takeover& t) {
    for (TakeoverAck& a : t.acks) {
        if (a.state != AckState::Pending || a.job == 0) continue;
        JobRecord job;
        if (net_.store.jobs.get(a.job, job) != DbStatus::Ok) continue;
        const auto s = std::find_if(job.signs.begin(), job.signs.end(),
                                    [&a](const JobSignRecord& j) { return j.sign == a.sign; });
        if (s == job.signs.end() || !finished(s->state)) continue;
        const bool done = s->state == JobState::Done;
        const std::string message = done ? "" : s->message.empty() ? toText(s->state) : s->message;
        if (net_.store.takeovers.finishAck(t.id, a.sign, done, s->updated, message, actor()) != DbStatus::Ok)
            continue;
        a.state = done ? AckState::Done : AckState::Failed;
        if (done) a.at = s->updated;
        a.message = message;
        net_.logEvent("takeover " + std::to_string(t.id) + ": " + signText(a.sign) +
                      (done ? " shows it" : ": " + message));
    }
}

bool CalendarScheduler::takeoverDue(const SignRecord& sign, const TakeoverAck& ack,
                                    const LocalDateTime& now) {
    if (sign.busyJob || sign.state == SignState::Unreachable || sign.state == SignState::OtherModel)
        return false;
    SignMemo& m = memos_[sign.id];
    if (ack.state == AckState::Pending) return ack.job == 0;
    if (ack.state == AckState::Failed)
        return std::exchange(m.takeoverAgain, false) ||
               minutesOf(now) - m.takeoverAt >= kTakeoverAgainMinutes;
    return false;
}

int CalendarScheduler::pushTakeovers(const std::vector<SignRecord>& signs,
                                     const std::vector<Takeover>& takeovers, const LocalDateTime& now,
                                     std::set<int64_t>& busy) {
    std::map<int64_t, const SignRecord*> byId;
    for (const SignRecord& s : signs) byId[s.id] = &s;
    const std::string nowText = toIsoText({now, 0});
    std::set<int64_t> claimed;  // by a newer takeover
    int made = 0;
    for (const Takeover& t : takeovers) {  // newest first
        if (!t.activeAt(nowText)) continue;
        JobRequest request;
        request.params.program = t.program;
        request.params.version = t.version;
        for (const TakeoverAck& a : t.acks) {
            const auto s = byId.find(a.sign);
            if (s == byId.end() || !claimed.insert(a.sign).second) continue;
            if (takeoverDue(*s->second, a, now)) request.signs.push_back(a.sign);
        }
        if (request.signs.empty()) continue;
        JobCreated created;
        const ServiceResult r = net_.createJob(request, actor(), created);
        if (!r.ok()) {
            net_.logEvent("takeover " + std::to_string(t.id) + ": no push job: " + r.message);
            continue;
        }
        ++made;
        for (int64_t sign : request.signs) {
            net_.store.takeovers.startAck(t.id, sign, created.id);
            memos_[sign].takeoverAt = minutesOf(now);
            busy.insert(sign);
        }
        net_.logEvent("takeover " + std::to_string(t.id) + ": job " + std::to_string(created.id) +
                      " pushes it to " + std::to_string(request.signs.size()) + " signs");
    }
    return made;
}

bool CalendarScheduler::restore(const SignRecord& sign, const std::vector<Takeover>& takeovers,
                                bool calendar) {
    bool pushed = false;
    for (const Takeover& t : takeovers) {
        if (!t.ended) continue;
        const auto a = std::find_if(t.acks.begin(), t.acks.end(),
                                    [&sign](const TakeoverAck& x) { return x.sign == sign.id; });
        if (a == t.acks.end() || a->restored) continue;
        memos_[sign.id].pushed = 0;  // the calendar's program goes back now, even if it was pushed lately
        std::string detail = "the calendar's program follows";
        const bool showsIt = sign.holding.kind == SignHolding::Program && sign.holding.program == t.program;
        if (!calendar && showsIt && a->priorProgram && !pushed) {
            JobParams params;
            params.program = a->priorProgram;
            params.version = a->priorVersion;
            pushed = createJob(sign, JobAction::Push, params, "what it held before the takeover");
            detail = pushed ? "program " + std::to_string(a->priorProgram) + " version " +
                                  std::to_string(a->priorVersion) + ", held before, is pushed again"
                            : "what it held before cannot be pushed again";
        } else if (!calendar) {
            detail = showsIt ? "no calendar names it and what it held before is not known"
                             : "no calendar names it; it keeps what it holds";
        }
        if (!calendar && a->priorWindow && sign.settings.windowMode != a->priorWindow) {
            memos_[sign.id].windowBack = a->priorWindow;
            detail += "; display-window mode " + std::to_string(*a->priorWindow) + " follows";
        }
        net_.store.takeovers.markRestored(t.id, sign.id, detail, actor());
        net_.logEvent("takeover " + std::to_string(t.id) + ": " + signText(sign.id) + ": " + detail);
    }
    return pushed;
}

const CalendarScheduler::Compiled& CalendarScheduler::compiled(const SignRecord& sign, const DayPlan& day) {
    std::string key = std::to_string(sign.width) + "x" + std::to_string(sign.height);
    for (const PlanPeriod& p : day.periods) {
        key += ";" + std::to_string(p.span.start) + "-" + std::to_string(p.span.end);
        if (!p.program) continue;
        const auto it = sources_.find(*p.program);
        key += ":" + std::to_string(*p.program) + "@" +
               std::to_string(it == sources_.end() ? 0 : it->second.version);
    }
    key += ";onoff" + std::to_string(day.onOff.enabled) + "," + std::to_string(day.onOff.on) + "," +
           std::to_string(day.onOff.off);
    key += ";level" + std::to_string(day.brightness.empty() ? 0 : day.brightness.front().level);
    Compiled& c = compiled_[{sign.id, day.date.dayNumber()}];
    if (c.day && c.key == key) return c;
    const ProgramSource programs = [this](ProgramId id) { return source(id); };
    const SignSize size{static_cast<uint8_t>(sign.width), static_cast<uint8_t>(sign.height)};
    c.key = std::move(key);
    c.day = std::make_shared<const CompiledDay>(compileDay(day, programs, size));
    c.hash = c.day->fallback ? 0 : hashOf(c.day->store);
    c.periods.clear();
    for (const PeriodProgram& p : c.day->periods) c.periods.push_back(hashOf(p.store));
    return c;
}

uint64_t CalendarScheduler::heldHash(int64_t program, int version, std::shared_ptr<const ItemStore>& store) {
    const std::pair<int64_t, int> key{program, version};
    if (const auto it = hashes_.find(key); it != hashes_.end()) {
        store = held_[key];
        return it->second;
    }
    ProgramVersionRecord v;
    if (net_.store.programs.version(program, version, v) != DbStatus::Ok) return 0;
    store = storeOf(v.store);
    const uint64_t hash = store ? hashOf(v.store) : 0;
    if (held_.size() >= 64) held_.clear(), hashes_.clear();
    hashes_[key] = hash;
    held_[key] = store;
    return hash;
}

bool CalendarScheduler::pushIfDue(const SignRecord& sign, const std::vector<DayPlan>& days,
                                  const LocalDateTime& now) {
    const DayPlan& today = days[0];
    const DayPlan& tomorrow = days[1];
    if (!usesCalendar(today) && !usesCalendar(tomorrow)) return false;
    const Compiled& todays = compiled(sign, today);
    const auto day = todays.day;
    std::shared_ptr<const ItemStore> oldStore;
    const uint64_t held = sign.holding.kind == SignHolding::Program
                              ? heldHash(sign.holding.program, sign.holding.version, oldStore)
                              : 0;
    const ItemStore* old = held ? oldStore.get() : nullptr;
    if (day->fallback) {
        SignMemo& m = memos_[sign.id];
        if (m.fallbackDay != today.date.text()) {
            m.fallbackDay = today.date.text();
            net_.logEvent("calendar: " + signText(sign.id) + ": " + day->message);
            net_.store.audit.record(
                actor().audit("calendar.fallback", signText(sign.id), "ok", day->message));
        }
        const int i = periodAt(*day, now.hour * 60 + now.minute);
        if (i < 0 || todays.periods[static_cast<size_t>(i)] == held) return false;
        const PeriodProgram& p = day->periods[static_cast<size_t>(i)];
        const Target t{&p.store, static_cast<int>(p.items.size()), sourcesOf(p.items),
                       today.date.text() + " " + minuteText(p.span.start) + "-" + minuteText(p.span.end)};
        return push(sign, t, todays.periods[static_cast<size_t>(i)], old, at(today.date, p.span.start), now);
    }
    const uint64_t want = todays.hash;
    const Compiled& tomorrows = compiled(sign, tomorrow);
    const auto next = tomorrows.day;
    const uint64_t nextHash = tomorrows.hash;
    if (want != held) {
        // Tomorrow's, pushed ahead of midnight, stays while it shows what today's would until then.
        if (held && nextHash == held &&
            switchDelay(&day->store, next->store, at(tomorrow.date), now).earlyMinutes == 0)
            return false;
        if (minutesOf(now) < minutesOf(pushOnTheDay(old, *day, now).at)) return false;
        const Target t{&day->store, static_cast<int>(day->items.size()), sourcesOf(day->items),
                       today.date.text()};
        return push(sign, t, want, old, at(today.date), now);
    }
    // Today's is held: tomorrow's goes ahead only where nothing visible changes.
    if (!nextHash || nextHash == want) return false;
    const std::optional<PushTime> when = pushAhead(old, *next, now);
    if (!when || minutesOf(now) < minutesOf(when->at)) return false;
    const Target t{&next->store, static_cast<int>(next->items.size()), sourcesOf(next->items),
                   tomorrow.date.text()};
    return push(sign, t, nextHash, old, at(tomorrow.date), now);
}

bool CalendarScheduler::push(const SignRecord& sign, const Target& target, uint64_t hash,
                             const ItemStore* old, const LocalDateTime& effective, const LocalDateTime& now) {
    SignMemo& m = memos_[sign.id];
    if (m.pushed == hash && minutesOf(now) - m.pushedAt < kPushAgainMinutes) return false;
    int64_t program = 0;
    int version = 0;
    if (!storedVersion(sign, target, program, version)) return false;
    JobParams params;
    params.program = program;
    params.version = version;
    if (!createJob(sign, JobAction::Push, params, ("the calendar's " + target.what).c_str())) return false;
    m.pushed = hash;
    m.pushedAt = minutesOf(now);
    std::string detail =
        target.what + ": program " + std::to_string(program) + " version " + std::to_string(version) + "; ";
    if (old) {
        const SwitchDelay delay = switchDelay(old, *target.store, effective, now);
        detail += "switched " + std::to_string(delay.lateMinutes) + " minutes late";
        if (delay.earlyMinutes > 0) detail += ", " + std::to_string(delay.earlyMinutes) + " minutes early";
    } else {
        detail += "what the sign held was not known";
    }
    net_.store.audit.record(actor().audit("calendar.push", signText(sign.id), "ok", detail));
    net_.logEvent("calendar: " + signText(sign.id) + ": " + detail);
    return true;
}

bool CalendarScheduler::storedVersion(const SignRecord& sign, const Target& target, int64_t& program,
                                      int& version) {
    const std::vector<uint8_t> bytes = bytesOf(*target.store);
    const uint64_t hash = hashOf(bytes);
    const std::string name = calendarProgramName(sign.id);
    std::vector<ProgramRecord> programs;
    if (hash == 0 || net_.store.programs.list(programs) != DbStatus::Ok) return false;
    program = 0;
    for (const ProgramRecord& p : programs) {
        if (p.name != name) continue;
        program = p.id;
        std::shared_ptr<const ItemStore> ignored;
        for (auto v = p.versions.rbegin(); v != p.versions.rend(); ++v)
            if (heldHash(p.id, v->version, ignored) == hash) {
                version = v->version;
                return true;
            }
        break;
    }
    ProgramVersionInput in;
    in.store = bytes;
    in.itemCount = target.itemCount;
    if (hasErrors(exportProgramJson(*target.store, in.json))) in.json = "{}";
    // Its pictures stay in the content store while it exists.
    std::set<std::string> stored;
    for (ProgramId id : target.sources) {
        const auto it = sources_.find(id);
        if (it == sources_.end()) continue;
        for (const ProgramFile& f : it->second.files)
            if (stored.insert(f.stored).second) in.files.push_back({f.stored, f.stored});
    }
    const Actor by = actor();
    const DbStatus s = program ? net_.store.programs.addVersion(program, in, by, version)
                               : (version = 1, net_.store.programs.add(name, in, by, program));
    if (s != DbStatus::Ok) {
        net_.logEvent("calendar: " + signText(sign.id) + ": cannot store the compiled program (" + toText(s) +
                      ")");
        return false;
    }
    return true;
}

bool CalendarScheduler::settingsIfDue(const SignRecord& sign, const DayPlan& today, const LocalDateTime& now,
                                      bool lit) {
    SignMemo& m = memos_[sign.id];
    const SignSettingsRecord& given = sign.settings;
    if (m.clockAgain) {
        m.clockAgain = false;
        return createJob(sign, JobAction::Clock, {}, "it answers again");
    }
    if (lit) {
        if (given.onOffEnabled.value_or(false)) {
            JobParams p;
            p.enabled = false;
            p.onTime = given.onTime.value_or("00:00");
            p.offTime = given.offTime.value_or("00:00");
            return createJob(sign, JobAction::OnOff, p, "a takeover keeps it lit");
        }
    } else if (today.onOffPlan != 0) {
        JobParams p;
        p.enabled = today.onOff.enabled;
        p.onTime = minuteText(today.onOff.on);
        p.offTime = minuteText(today.onOff.off);
        const bool differs =
            given.onOffEnabled != p.enabled || given.onTime != p.onTime || given.offTime != p.offTime;
        const bool again = std::exchange(m.onOffAgain, false);
        if (differs || again) return createJob(sign, JobAction::OnOff, p, again ? "it answers again" : "due");
    }
    m.onOffAgain = false;
    const int minute = now.hour * 60 + now.minute;
    for (const LevelSpan& l : today.brightness) {
        if (minute < l.span.start || minute >= l.span.end) continue;
        JobParams p;
        p.level = l.level - 1;
        const bool again = std::exchange(m.brightnessAgain, false);
        if (given.brightness != p.level || again)
            return createJob(sign, JobAction::Brightness, p, again ? "it answers again" : "due");
    }
    m.brightnessAgain = false;
    const bool setToday = given.clockAt && given.clockAt->substr(0, 10) >= dateOf(now).text();
    // Within the hour from the quiet minute: a service started later in the day waits for the next.
    const int sinceQuiet = (minute - settings_.clockMinute + kDayMinutes) % kDayMinutes;
    if (!setToday && sinceQuiet < kClockSetMinutes)
        return createJob(sign, JobAction::Clock, {}, "the daily setting");
    return false;
}

bool CalendarScheduler::createJob(const SignRecord& sign, JobAction action, const JobParams& params,
                                  const char* why) {
    JobRequest request;
    request.action = action;
    request.params = params;
    request.signs = {sign.id};
    JobCreated created;
    const ServiceResult r = net_.createJob(request, actor(), created);
    if (!r.ok() || !created.held.empty()) {
        net_.logEvent("calendar: " + signText(sign.id) + ": no " + toText(action) + " job: " + r.message);
        return false;
    }
    net_.logEvent("calendar: " + signText(sign.id) + ": job " + std::to_string(created.id) + " (" +
                  toText(action) + ", " + why + ")");
    return true;
}

}  // namespace orb
