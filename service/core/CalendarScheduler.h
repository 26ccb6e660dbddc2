#pragma once
// Acts on the calendar. On each tick of the service's clock, for every sign the calendar names:
//  - the day its plan resolves to (resolvePlan) is compiled (compileDay) and pushed when it
//    differs from what the sign is recorded as holding, at the time choosePushTime picks (the
//    next day's program ahead of midnight when that changes nothing visible); how late the sign
//    switched is audited ("calendar.push"). A day that does not fit is pushed period by period
//    as each starts ("calendar.fallback" says why, once a day);
//  - the ON/OFF and brightness its plans give are sent when they differ from what the sign last
//    acknowledged, and again when it answers after being unreachable;
//  - while a takeover applies to it (the newest when several do), its program instead, pushed at
//    once to every such sign in one job, each sign's acknowledgement recorded when its read-back
//    matched; a sign that fails or is unreachable gets it when it answers again. It stays lit
//    (ON/OFF disabled), its brightness as planned. When the takeover ends each sign gets what its
//    calendar says at once, or, where no calendar names it, the program it held before;
//  - the display-window mode is set to 1, which the compiled windows need (a push leaves the
//    mode as it was), and again when the sign answers after being unreachable (mode 0 while a
//    takeover plays, whose program has no windows);
//  - its clock is set once a day in the hour from the quiet minute (clockMinute) and whenever
//    it answers again after being unreachable (as a tick sees it, outside its jobs).
// Everything is a job of the service's actor ("orbd") that any operator sees, one job per sign at
// a time: a sign held by a job, or unreachable, waits for a later tick.
//
// A compiled program is stored as a version of the sign's own program "calendar for sign ID", so
// that the holding names a real version (the frames play it) and the deletion rules keep it; a
// version with the same contents is pushed again rather than stored twice. Its files are the
// pictures of the programs it was compiled from.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "service/calendar/CompiledDay.h"
#include "service/core/ServiceSettings.h"
#include "service/core/SignNetwork.h"
#include "service/core/TakeoverStore.h"

namespace orb {

// The name of the program holding sign ID's compiled days.
std::string calendarProgramName(int64_t sign);

class CalendarScheduler {
  public:
    CalendarScheduler(SignNetwork& network, const ServiceSettings& settings);
    ~CalendarScheduler();
    CalendarScheduler(const CalendarScheduler&) = delete;
    CalendarScheduler& operator=(const CalendarScheduler&) = delete;

    // Ticks every PERIOD_MS of real time on its own thread until stop().
    void start(int periodMs = 1000);
    void stop();

    // One pass over every sign at the clock's present; the jobs it made.
    int tick();

  private:
    struct SourceProgram {
        int version = 0;
        std::shared_ptr<const ItemStore> store;
        std::vector<ProgramFile> files;
    };
    struct SignMemo {
        SignState seen = SignState::Unknown;  // the last state other than busy or unknown
        bool clockAgain = false, onOffAgain = false, brightnessAgain = false, windowAgain = false;
        std::string fallbackDay;  // the day whose fall-back was reported
        // The last push made: a sign whose push failed gets the same program again only after a
        // while, or as soon as it answers again after being unreachable.
        uint64_t pushed = 0;
        int64_t pushedAt = 0;  // minutes since 1970
        // A takeover push that failed is made again when the sign answers again, or after a while.
        bool takeoverAgain = false;
        int64_t takeoverAt = 0;  // minutes since 1970
        // The display-window mode a sign no calendar names had before a takeover, to be given
        // back once what it held before is.
        std::optional<int> windowBack;
    };
    struct Compiled {
        std::string key;  // what it was compiled from
        std::shared_ptr<const CompiledDay> day;
        uint64_t hash = 0;              // of its program; 0 with the fall-back
        std::vector<uint64_t> periods;  // of each period's program with the fall-back
    };
    struct Target {
        const ItemStore* store = nullptr;
        int itemCount = 0;
        std::vector<ProgramId> sources;
        std::string what;  // "2027-01-04", "2027-01-04 08:00-12:00"
    };

    bool tickSign(const SignRecord& sign, const CalendarContents& contents, const HolidayCalendar& holidays,
                  const std::vector<Takeover>& takeovers, const LocalDateTime& now);
    // The takeovers not yet over for every sign: those whose `until` passed are ended, the
    // acknowledgements of finished pushes recorded.
    void readTakeovers(std::vector<Takeover>& out, const LocalDateTime& now);
    void recordAcks(Takeover& t);
    // One job per takeover for the signs that are to get it now; the signs given a job go to BUSY.
    int pushTakeovers(const std::vector<SignRecord>& signs, const std::vector<Takeover>& takeovers,
                      const LocalDateTime& now, std::set<int64_t>& busy);
    bool takeoverDue(const SignRecord& sign, const TakeoverAck& ack, const LocalDateTime& now);
    // Signs whose takeovers ended get what follows: their calendar, or what they held before.
    bool restore(const SignRecord& sign, const std::vector<Takeover>& takeovers, bool calendar);
    void notice(const SignRecord& sign);
    bool pushIfDue(const SignRecord& sign, const std::vector<DayPlan>& days, const LocalDateTime& now);
    // The display-window mode: 1, or 0 while a takeover plays (LIT).
    bool windowIfDue(const SignRecord& sign, bool lit = false);
    bool windowBackIfDue(const SignRecord& sign);
    // LIT: a takeover shows, ON/OFF is disabled.
    bool settingsIfDue(const SignRecord& sign, const DayPlan& today, const LocalDateTime& now,
                       bool lit = false);
    const Compiled& compiled(const SignRecord& sign, const DayPlan& day);
    const ItemStore* source(ProgramId id);
    void readSources();
    // The stored contents hash of program PROGRAM version VERSION (0 when it cannot be read).
    uint64_t heldHash(int64_t program, int version, std::shared_ptr<const ItemStore>& store);
    bool push(const SignRecord& sign, const Target& target, uint64_t hash, const ItemStore* old,
              const LocalDateTime& effective, const LocalDateTime& now);
    bool storedVersion(const SignRecord& sign, const Target& target, int64_t& program, int& version);
    bool createJob(const SignRecord& sign, JobAction action, const JobParams& params, const char* why);
    Actor actor() const { return net_.actor("orbd"); }

    SignNetwork& net_;
    ServiceSettings settings_;
    std::map<int64_t, SignMemo> memos_;
    std::map<ProgramId, SourceProgram> sources_;                // the latest version of each program
    std::map<std::pair<int64_t, int64_t>, Compiled> compiled_;  // by sign and day number
    std::map<std::pair<int64_t, int>, uint64_t> hashes_;        // of stored versions
    std::map<std::pair<int64_t, int>, std::shared_ptr<const ItemStore>> held_;

    std::mutex tickMutex_;  // one tick at a time
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace orb
