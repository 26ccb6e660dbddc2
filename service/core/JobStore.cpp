#include "service/core/JobStore.h"

#include <algorithm>
#include <map>

namespace orb {

namespace {

constexpr const char* kActions[] = {"push", "size", "clock", "onoff", "window", "brightness", "pull"};
constexpr const char* kStates[] = {"queued", "running", "done", "failed", "cancelled"};

std::string jobTarget(int64_t id) {
    return "job " + std::to_string(id);
}

template <class E, size_t N>
std::optional<E> parseName(std::string_view text, const char* const (&names)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (text == names[i]) return static_cast<E>(i);
    return std::nullopt;
}

JobRecord jobFrom(const Statement& st) {
    JobRecord j;
    j.id = st.integer(0);
    j.action = parseJobAction(st.text(1)).value_or(JobAction::Push);
    JobParams& p = j.params;
    p.program = st.optionalInteger(2).value_or(0);
    p.version = static_cast<int>(st.optionalInteger(3).value_or(0));
    p.width = static_cast<int>(st.optionalInteger(4).value_or(0));
    p.height = static_cast<int>(st.optionalInteger(5).value_or(0));
    p.enabled = st.optionalInteger(6).value_or(0) != 0;
    p.onTime = st.text(7);
    p.offTime = st.text(8);
    p.mode = static_cast<int>(st.optionalInteger(9).value_or(0));
    p.level = static_cast<int>(st.optionalInteger(10).value_or(0));
    j.target = st.text(11);
    j.state = parseJobState(st.text(12)).value_or(JobState::Failed);
    j.createdBy = st.text(13);
    j.created = st.text(14);
    j.started = st.optionalText(15);
    j.finished = st.optionalText(16);
    return j;
}

constexpr const char* kJobColumns =
    "SELECT id, action, program_id, version, width, height, enabled, on_time, off_time, mode, level, target, "
    "state,"
    " created_by, created, started, finished FROM jobs ";

DbStatus readJobSigns(Database& db, JobRecord& job) {
    job.signs.clear();
    Statement st =
        db.prepare(
              "SELECT sign_id, state, attempt, done, total, message, coalesce(updated, '') FROM job_signs"
              " WHERE job_id = ? ORDER BY sign_id")
            .bindAll(job.id);
    while (st.step())
        job.signs.push_back({st.integer(0), parseJobState(st.text(1)).value_or(JobState::Failed),
                             static_cast<int>(st.integer(2)), static_cast<int>(st.integer(3)),
                             static_cast<int>(st.integer(4)), st.text(5), st.text(6)});
    return st.status();
}

}  // namespace

const char* toText(JobAction a) {
    return kActions[static_cast<int>(a)];
}
const char* toText(JobState s) {
    return kStates[static_cast<int>(s)];
}
std::optional<JobAction> parseJobAction(std::string_view text) {
    return parseName<JobAction>(text, kActions);
}
std::optional<JobState> parseJobState(std::string_view text) {
    return parseName<JobState>(text, kStates);
}

DbStatus JobStore::create(JobAction action, const JobParams& p, const std::string& target,
                          const std::vector<int64_t>& asked, const Actor& actor, int64_t& id,
                          std::vector<HeldSign>& held) {
    held.clear();
    std::vector<int64_t> signs = asked;
    std::sort(signs.begin(), signs.end());
    signs.erase(std::unique(signs.begin(), signs.end()), signs.end());
    return inTransaction(db_, [&]() -> DbStatus {
        for (int64_t sign : signs) {
            Statement busy = db_.prepare(
                                    "SELECT min(job_id) FROM job_signs WHERE sign_id = ? AND state IN "
                                    "('queued', 'running')")
                                 .bindAll(sign);
            if (busy.step() && !busy.isNull(0)) held.push_back({sign, busy.integer(0)});
            if (busy.status() != DbStatus::Ok) return busy.status();
        }
        if (held.size() == signs.size()) return DbStatus::Conflict;
        const bool push = action == JobAction::Push;
        const bool pullInto = action == JobAction::Pull && p.program != 0;
        const bool onOff = action == JobAction::OnOff;
        const auto when = [](bool used, auto value) { return used ? std::optional(value) : std::nullopt; };
        DbStatus s =
            db_.prepare(
                   "INSERT INTO jobs (action, program_id, version, width, height, enabled, on_time, "
                   "off_time, mode,"
                   " level, target, state, created_by, created) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                   "'queued', ?, ?)")
                .bindAll(toText(action), when(push || pullInto, p.program), when(push, p.version),
                         when(action == JobAction::Size, p.width), when(action == JobAction::Size, p.height),
                         when(onOff, p.enabled), when(onOff, p.onTime), when(onOff, p.offTime),
                         when(action == JobAction::Window, p.mode),
                         when(action == JobAction::Brightness, p.level), target, actor.user, actor.time)
                .run();
        if (s != DbStatus::Ok) return s;
        id = db_.lastInsertId();
        for (int64_t sign : signs) {
            const auto it =
                std::find_if(held.begin(), held.end(), [&](const HeldSign& h) { return h.sign == sign; });
            const bool isHeld = it != held.end();
            s = db_.prepare(
                       "INSERT INTO job_signs (job_id, sign_id, state, message, updated) VALUES (?, ?, ?, ?, "
                       "?)")
                    .bindAll(id, sign, isHeld ? "failed" : "queued",
                             isHeld ? "held by job " + std::to_string(it->job) : std::string(), actor.time)
                    .run();
            if (s != DbStatus::Ok) return s;
        }
        std::string detail = target;
        if (action == JobAction::Push)
            detail += "; program " + std::to_string(p.program) + " version " + std::to_string(p.version);
        if (pullInto) detail += "; into program " + std::to_string(p.program);
        if (!held.empty()) detail += "; " + std::to_string(held.size()) + " signs held by other jobs";
        return AuditLog::append(
            db_, actor.audit(std::string("job.") + toText(action), jobTarget(id), "ok", detail));
    });
}

DbStatus JobStore::get(int64_t id, JobRecord& out) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare(std::string(kJobColumns) + "WHERE id = ?").bindAll(id);
    if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
    out = jobFrom(st);
    return readJobSigns(db_, out);
}

DbStatus JobStore::list(const JobFilter& f, std::vector<JobRecord>& out) {
    std::lock_guard lock(db_.mutex());
    Statement st =
        db_.prepare(std::string(kJobColumns) +
                    "WHERE (?1 IS NULL OR state = ?1) AND (?2 IS NULL OR id < ?2) ORDER BY id DESC LIMIT ?3");
    st.bindAll(f.state ? std::optional<std::string>(toText(*f.state)) : std::nullopt, f.before,
               int64_t{std::clamp(f.limit, 1, 1000)});
    out.clear();
    while (st.step()) out.push_back(jobFrom(st));
    return st.status();
}

DbStatus JobStore::unfinished(std::vector<JobRecord>& out) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare(std::string(kJobColumns) + "WHERE state IN ('queued', 'running') ORDER BY id");
    out.clear();
    while (st.step()) out.push_back(jobFrom(st));
    if (st.status() != DbStatus::Ok) return st.status();
    for (JobRecord& job : out)
        if (const DbStatus s = readJobSigns(db_, job); s != DbStatus::Ok) return s;
    return DbStatus::Ok;
}

DbStatus JobStore::settleJob(int64_t job, const Actor& actor, bool& finishedJob) {
    finishedJob = false;
    Statement counts =
        db_.prepare(
               "SELECT count(*), sum(state = 'running'), sum(state IN ('done', 'failed', 'cancelled')),"
               " sum(state = 'failed'), sum(state = 'cancelled') FROM job_signs WHERE job_id = ?")
            .bindAll(job);
    if (!counts.step()) return counts.status() == DbStatus::Ok ? DbStatus::NotFound : counts.status();
    const int64_t all = counts.integer(0), running = counts.integer(1), ended = counts.integer(2);
    const int64_t failed = counts.integer(3), cancelled = counts.integer(4);
    Statement current = db_.prepare("SELECT state FROM jobs WHERE id = ?").bindAll(job);
    if (!current.step()) return current.status() == DbStatus::Ok ? DbStatus::NotFound : current.status();
    const JobState was = parseJobState(current.text(0)).value_or(JobState::Failed);
    if (finished(was)) return DbStatus::Ok;
    JobState now = was;
    if (all > 0 && ended == all)
        now = cancelled > 0 ? JobState::Cancelled : failed > 0 ? JobState::Failed : JobState::Done;
    else if (running > 0 || ended > 0)
        now = JobState::Running;
    if (now == was) return DbStatus::Ok;
    DbStatus s = db_.prepare(
                        "UPDATE jobs SET state = ?2, started = coalesce(started, ?3),"
                        " finished = iif(?2 IN ('done', 'failed', 'cancelled'), ?3, NULL) WHERE id = ?1")
                     .bindAll(job, toText(now), actor.time)
                     .run();
    if (s != DbStatus::Ok || !finished(now)) return s;
    finishedJob = true;
    return AuditLog::append(db_, actor.audit("job.finish", jobTarget(job), toText(now),
                                             std::to_string(all - failed - cancelled) + " of " +
                                                 std::to_string(all) + " signs done"));
}

DbStatus JobStore::updateSign(int64_t job, const JobSignRecord& sign, const Actor& actor, bool& finishedJob,
                              const std::function<DbStatus()>& also) {
    finishedJob = false;
    return inTransaction(db_, [&] {
        DbStatus s = db_.prepare(
                            "UPDATE job_signs SET state = ?, attempt = ?, done = ?, total = ?, message = ?, "
                            "updated = ?"
                            " WHERE job_id = ? AND sign_id = ? AND state IN ('queued', 'running')")
                         .bindAll(toText(sign.state), sign.attempt, sign.done, sign.total, sign.message,
                                  actor.time, job, sign.sign)
                         .run();
        if (s == DbStatus::Ok && db_.changes() == 0) s = DbStatus::NotFound;
        if (s == DbStatus::Ok && also) s = also();
        if (s != DbStatus::Ok) return s;
        if (finished(sign.state)) {
            s = AuditLog::append(db_, actor.audit(std::string("job.sign"), jobTarget(job), toText(sign.state),
                                                  "sign " + std::to_string(sign.sign) +
                                                      (sign.message.empty() ? "" : ": " + sign.message)));
            if (s != DbStatus::Ok) return s;
        }
        return settleJob(job, actor, finishedJob);
    });
}

DbStatus JobStore::recordProgress(const std::vector<std::pair<int64_t, JobSignRecord>>& signs,
                                  const Actor& actor) {
    return inTransaction(db_, [&] {
        for (const auto& [job, sign] : signs) {
            const DbStatus s =
                db_.prepare(
                       "UPDATE job_signs SET done = ?, total = ?, updated = ?"
                       " WHERE job_id = ? AND sign_id = ? AND state = 'running' AND attempt = ?")
                    .bindAll(sign.done, sign.total, actor.time, job, sign.sign, sign.attempt)
                    .run();
            if (s != DbStatus::Ok) return s;
        }
        return DbStatus::Ok;
    });
}

DbStatus JobStore::cancel(int64_t id, const Actor& actor, std::vector<int64_t>& running) {
    running.clear();
    return inTransaction(db_, [&] {
        Statement job = db_.prepare("SELECT state FROM jobs WHERE id = ?").bindAll(id);
        if (!job.step()) return job.status() == DbStatus::Ok ? DbStatus::NotFound : job.status();
        if (finished(parseJobState(job.text(0)).value_or(JobState::Failed))) return DbStatus::Conflict;
        Statement runs =
            db_.prepare("SELECT sign_id FROM job_signs WHERE job_id = ? AND state = 'running'").bindAll(id);
        while (runs.step()) running.push_back(runs.integer(0));
        if (runs.status() != DbStatus::Ok) return runs.status();
        DbStatus s = db_.prepare(
                            "UPDATE job_signs SET state = 'cancelled', message = 'cancelled', updated = ?"
                            " WHERE job_id = ? AND state = 'queued'")
                         .bindAll(actor.time, id)
                         .run();
        if (s != DbStatus::Ok) return s;
        if ((s = AuditLog::append(db_, actor.audit("job.cancel", jobTarget(id)))) != DbStatus::Ok) return s;
        bool ended = false;
        return settleJob(id, actor, ended);
    });
}

}  // namespace orb
