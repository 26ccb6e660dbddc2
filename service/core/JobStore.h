#pragma once
// Jobs: an action (a push, a settings command or a pull) for a set of signs, and each sign's progress
// through it. A sign takes part in at most one unfinished job at a time: a job that names a sign
// another queued or running job holds gets that sign as failed at once ("held by job N").
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "service/core/AuditLog.h"
#include "service/core/Database.h"

namespace orb {

enum class JobAction { Push, Size, Clock, OnOff, Window, Brightness, Pull };
enum class JobState { Queued, Running, Done, Failed, Cancelled };

const char* toText(JobAction a);  // "push", "size", "clock", "onoff", "window", "brightness", "pull"
const char* toText(JobState s);   // "queued", "running", "done", "failed", "cancelled"
std::optional<JobAction> parseJobAction(std::string_view text);
std::optional<JobState> parseJobState(std::string_view text);
inline bool finished(JobState s) {
    return s == JobState::Done || s == JobState::Failed || s == JobState::Cancelled;
}

// What the action needs; only its own fields are used.
struct JobParams {
    int64_t program = 0;          // push; pull: the program the pulled one is the next version of, or 0
    int version = 0;              // push
    int width = 0, height = 0;    // size: modules
    bool enabled = false;         // onoff
    std::string onTime, offTime;  // "HH:MM"
    int mode = 0;                 // window: 0 or 1
    int level = 0;                // brightness: 0..9
};

struct JobSignRecord {
    int64_t sign = 0;
    JobState state = JobState::Queued;
    int attempt = 0;
    int done = 0, total = 0;  // progress steps of a push
    std::string message;
    std::string updated;
};

struct JobRecord {
    int64_t id = 0;
    JobAction action = JobAction::Push;
    JobParams params;
    std::string target;  // what was asked for, as text ("signs 1,2; groups A")
    JobState state = JobState::Queued;
    std::string createdBy, created;
    std::optional<std::string> started, finished;
    std::vector<JobSignRecord> signs;  // by sign id
};

// A sign a new job could not take, and the job that holds it.
struct HeldSign {
    int64_t sign = 0;
    int64_t job = 0;
};

struct JobFilter {
    std::optional<JobState> state;
    std::optional<int64_t> before;  // ids below this one
    int limit = 100;                // 1..1000
};

class JobStore {
  public:
    explicit JobStore(Database& db) : db_(db) {}

    // A queued job for SIGNS. Signs held by another unfinished job are failed in it at once and
    // listed in HELD; when that leaves none to run, nothing is stored and Conflict is returned.
    DbStatus create(JobAction action, const JobParams& params, const std::string& target,
                    const std::vector<int64_t>& signs, const Actor& actor, int64_t& id,
                    std::vector<HeldSign>& held);
    DbStatus get(int64_t id, JobRecord& out);
    // Newest first, without their signs.
    DbStatus list(const JobFilter& filter, std::vector<JobRecord>& out);
    // Queued and running jobs with their signs, oldest first (resumed at start).
    DbStatus unfinished(std::vector<JobRecord>& out);

    // A sign's progress; the job's own state follows (running once a sign runs, and when every
    // sign has finished: cancelled if any was cancelled, else failed if any failed, else done).
    // FINISHEDJOB is set when this change finished the job. A sign already finished is left as it
    // is (NotFound). ALSO, when given, runs in the same transaction (what the sign now holds).
    DbStatus updateSign(int64_t job, const JobSignRecord& sign, const Actor& actor, bool& finishedJob,
                        const std::function<DbStatus()>& also = {});
    // The progress of signs that still run, one transaction for all (each a job and its sign):
    // only the steps done, their total and the time; a sign that ended or went on to another
    // attempt meanwhile is left as it is.
    DbStatus recordProgress(const std::vector<std::pair<int64_t, JobSignRecord>>& signs, const Actor& actor);
    // Cancels the job's signs still queued; gives the ones running (the runner stops those).
    // Conflict when the job has finished already.
    DbStatus cancel(int64_t id, const Actor& actor, std::vector<int64_t>& running);

  private:
    DbStatus settleJob(int64_t job, const Actor& actor, bool& finishedJob);

    Database& db_;
};

}  // namespace orb
