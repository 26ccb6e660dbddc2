#include "service/core/JobCoordinator.h"

#include "editor/core/ProgramJson.h"
#include "editor/core/ProgramWriter.h"
#include "service/core/PulledProgram.h"

namespace orb {

namespace {

// Item stores kept for the pushes and checks running; more are read again when needed.
constexpr size_t kKeptPrograms = 16;
constexpr int64_t kDeferredEveryMs = 1000;

FleetSettings fleetSettings(const ServiceSettings& s) {
    FleetSettings f;
    f.maxLinks = s.maxLinks;
    f.tries = s.tries;
    f.firstRetryMs = s.firstRetryMs;
    f.retryFactor = s.retryFactor;
    f.maxRetryMs = s.maxRetryMs;
    return f;
}

SignState stateOf(SignHealth h) {
    switch (h) {
        case SignHealth::Online:
            return SignState::Online;
        case SignHealth::Unreachable:
            return SignState::Unreachable;
        case SignHealth::OtherModel:
            return SignState::OtherModel;
        case SignHealth::Differs:
            return SignState::Differs;
    }
    return SignState::Unknown;
}

// "SIGN YYYY-MM-DD", the sign's name shortened to leave the date room within a name's 100
// characters.
std::string pulledProgramName(const std::string& sign, const std::string& isoTime) {
    constexpr size_t kRoom = 100 - 11;
    size_t end = 0, characters = 0;
    while (end < sign.size() && characters < kRoom) {
        ++end, ++characters;
        while (end < sign.size() && (static_cast<uint8_t>(sign[end]) & 0xC0) == 0x80) ++end;
    }
    return sign.substr(0, end) + " " + isoTime.substr(0, 10);
}

std::optional<std::string> isoOf(const std::optional<LocalDateTime>& t) {
    if (!t) return std::nullopt;
    return toIsoText(LocalTimestamp{*t, 0});
}

}  // namespace

JobCoordinator::JobCoordinator(SignNetwork& network, const ServiceSettings& settings)
    : net_(network), settings_(settings) {
    const ServiceClock& clock = net_.clock;
    runner_ =
        std::make_unique<FleetRunner>(fleetSettings(settings), *this, [&clock] { return clock.now().time; });
    HealthSettings health;
    health.modelEveryMs = int64_t{settings.checkSeconds} * 1000;
    health.holdingEveryMs = int64_t{settings.holdingCheckSeconds} * 1000;
    health_ = std::make_unique<HealthScheduler>(*runner_, health);
}

JobCoordinator::~JobCoordinator() {
    stop();
}

void JobCoordinator::start() {
    net_.jobCreated = [this](int64_t job) { submitJob(job); };
    net_.jobCancelled = [this](int64_t job, const std::vector<int64_t>&) { cancelJob(job); };
    net_.signChanged = [this](int64_t sign) { watchSign(sign); };
    net_.signRemoved = [this](int64_t sign) { forgetSign(sign); };
    resume();
    std::vector<SignRecord> signs;
    if (net_.store.signs.list(signs) == DbStatus::Ok)
        for (const SignRecord& s : signs) watchSign(s.id);
    std::lock_guard lock(healthMutex_);
    health_->start();
}

void JobCoordinator::stop() {
    net_.jobCreated = nullptr;
    net_.jobCancelled = nullptr;
    net_.signChanged = nullptr;
    net_.signRemoved = nullptr;
    {
        // The runner's reports may still reach watchSign() while it stops.
        std::lock_guard lock(healthMutex_);
        if (health_) health_->stop();
        health_.reset();
    }
    // Reports already made are delivered while the runner stops.
    runner_.reset();
    writeDeferred(true);
}

void JobCoordinator::resume() {
    std::vector<JobRecord> jobs;
    if (const DbStatus s = net_.store.jobs.unfinished(jobs); s != DbStatus::Ok) {
        net_.logEvent(std::string("cannot read the unfinished jobs: ") + toText(s));
        return;
    }
    for (const JobRecord& job : jobs) {
        for (const JobSignRecord& sign : job.signs) {
            if (sign.state != JobState::Running) continue;
            // Interrupted: run again. A push may have written part of the memory.
            JobSignRecord again = sign;
            again.state = JobState::Queued;
            again.message = "interrupted; run again";
            bool ended = false;
            const Actor actor = service();
            const auto forget = [&] { return SignStore::clearHolding(net_.store.db, sign.sign, actor); };
            net_.store.jobs.updateSign(
                job.id, again, actor, ended,
                job.action == JobAction::Push ? std::function<DbStatus()>(forget) : nullptr);
        }
        net_.logEvent("resuming job " + std::to_string(job.id));
        net_.store.audit.record(service().audit("job.resume", "job " + std::to_string(job.id)));
        submitJob(job.id);
    }
}

std::shared_ptr<const ItemStore> JobCoordinator::programStore(int64_t program, int version, int& itemCount) {
    {
        std::lock_guard lock(mutex_);
        const auto it = programs_.find({program, version});
        if (it != programs_.end()) {
            itemCount = it->second.itemCount;
            return it->second.store;
        }
    }
    ProgramVersionRecord v;
    if (net_.store.programs.version(program, version, v) != DbStatus::Ok ||
        v.store.size() != ItemStore::kFileSize)
        return nullptr;
    auto store = std::make_shared<ItemStore>();
    if (store->writeAll(std::span<const uint8_t, ItemStore::kFileSize>(v.store.data(),
                                                                       ItemStore::kFileSize)) != IoResult::Ok)
        return nullptr;
    itemCount = v.itemCount;
    std::lock_guard lock(mutex_);
    if (programs_.size() >= kKeptPrograms) programs_.clear();
    programs_[{program, version}] = {store, v.itemCount};
    return store;
}

std::shared_ptr<const ProgramPlan> JobCoordinator::expectedPlan(const SignRecord& sign) {
    if (sign.holding.kind != SignHolding::Program) return nullptr;
    const auto key = std::make_tuple(sign.holding.program, sign.holding.version, sign.width, sign.height);
    {
        std::lock_guard lock(mutex_);
        if (const auto it = plans_.find(key); it != plans_.end()) return it->second;
    }
    int count = 0;
    const auto store = programStore(sign.holding.program, sign.holding.version, count);
    if (!store) return nullptr;
    auto plan = std::make_shared<ProgramPlan>();
    if (planProgram(*store, count, static_cast<uint8_t>(sign.width), static_cast<uint8_t>(sign.height), *plan)
            .result != PlanResult::Ok)
        return nullptr;
    std::lock_guard lock(mutex_);
    if (plans_.size() >= kKeptPrograms) plans_.clear();
    plans_[key] = plan;
    return plan;
}

bool JobCoordinator::actionFor(const JobRecord& job, const SignRecord& sign, SignAction& action,
                               std::string& message) {
    const JobParams& p = job.params;
    switch (job.action) {
        case JobAction::Push: {
            int count = 0;
            const auto store = programStore(p.program, p.version, count);
            if (!store) {
                message = "program " + std::to_string(p.program) + " version " + std::to_string(p.version) +
                          " cannot be read";
                return false;
            }
            action = PushProgram{store, count, static_cast<uint8_t>(sign.width),
                                 static_cast<uint8_t>(sign.height)};
            return true;
        }
        case JobAction::Size:
            action = SetSize{static_cast<uint8_t>(p.width), static_cast<uint8_t>(p.height)};
            return true;
        case JobAction::Clock:
            action = SetClockNow{};
            return true;
        case JobAction::OnOff: {
            const auto on = parseClockText(p.onTime), off = parseClockText(p.offTime);
            if (!on || !off) {
                message = "the ON/OFF times cannot be read";
                return false;
            }
            action = SetOnOff{p.enabled, *on, *off};
            return true;
        }
        case JobAction::Window:
            action = SetDisplayWindow{static_cast<uint8_t>(p.mode)};
            return true;
        case JobAction::Brightness:
            action = SetBrightness{static_cast<uint8_t>(p.level)};
            return true;
        case JobAction::Pull:
            action = PullProgram{};
            return true;
    }
    message = "unknown action";
    return false;
}

void JobCoordinator::failSign(int64_t job, int64_t sign, const std::string& message) {
    bool ended = false;
    net_.store.jobs.updateSign(job, {sign, JobState::Failed, 0, 0, 0, message, {}}, service(), ended);
}

void JobCoordinator::submitJob(int64_t id) {
    JobRecord job;
    if (net_.store.jobs.get(id, job) != DbStatus::Ok) return;
    for (const JobSignRecord& entry : job.signs) {
        if (entry.state != JobState::Queued) continue;
        SignRecord sign;
        std::string message;
        SignAction action;
        std::optional<SignAddress> address;
        if (net_.store.signs.get(entry.sign, sign) != DbStatus::Ok)
            message = "the sign cannot be read";
        else if (!(address = parseSignAddress(sign.link, message)))
            message = "the sign's link: " + message;
        else if (!actionFor(job, sign, action, message))
            address.reset();
        if (!address) {
            failSign(job.id, entry.sign, message);
            continue;
        }
        // Under the lock, so that a cancel either finds the task or keeps it from being submitted.
        std::lock_guard lock(mutex_);
        if (cancelled_.contains(job.id)) return;
        const uint64_t taskId = nextTaskId_++;
        tasks_[taskId] = {job.id, entry.sign, job.action, job.params, job.createdBy, false, 0};
        runner_->submit({taskId, entry.sign, *address, std::move(action), true});
    }
}

void JobCoordinator::cancelJob(int64_t job) {
    // The store has cancelled the queued signs; the runner drops them and stops the running ones
    // after their frame in flight (it reports to the listener's thread, never from here).
    std::lock_guard lock(mutex_);
    cancelled_.insert(job);
    for (const auto& [id, task] : tasks_)
        if (task.job == job) runner_->cancel(id);
}

void JobCoordinator::watchSign(int64_t id) {
    SignRecord sign;
    std::string error;
    if (net_.store.signs.get(id, sign) != DbStatus::Ok) return;
    const auto address = parseSignAddress(sign.link, error);
    auto expected = address ? expectedPlan(sign) : nullptr;
    std::lock_guard lock(healthMutex_);
    if (!health_) return;
    if (!address) {
        health_->removeSign(id);
        return;
    }
    health_->setSign({id, *address, std::move(expected)});
}

void JobCoordinator::forgetSign(int64_t id) {
    {
        std::lock_guard lock(deferredMutex_);
        deferred_.answers.erase(id);
        deferred_.states.erase(id);
    }
    std::lock_guard lock(healthMutex_);
    if (health_) health_->removeSign(id);
}

void JobCoordinator::onTask(const TaskReport& report) {
    if (HealthScheduler::isHealthTask(report.taskId)) {
        recordHealth(report);
        return writeDeferred(false);
    }
    Task task;
    bool deferred = false;  // only the progress moved on: written with the next batch
    bool forget = false;
    {
        std::lock_guard lock(mutex_);
        const auto it = tasks_.find(report.taskId);
        if (it == tasks_.end()) return;
        Task& t = it->second;
        if (report.memoryTouched && !t.memoryForgotten) forget = t.memoryForgotten = true;
        if (report.state == TaskState::Running && report.done > 0) {
            deferred = t.progressWritten && !forget;
            t.progressWritten = true;  // the first at once: the job shows the sign running
        }
        task = t;
        if (report.state == TaskState::Done || report.state == TaskState::Failed ||
            report.state == TaskState::Cancelled)
            tasks_.erase(it);
    }
    if (forget) {
        // Before anything else: from now on nothing may claim the sign holds what it held.
        net_.store.signs.forgetHolding(task.sign, service());
        watchSign(task.sign);
    }
    if (deferred) {
        deferProgress(task, report);
    } else {
        dropDeferredProgress(report.taskId);
        recordJobReport(task, report);
    }
    writeDeferred(false);
}

void JobCoordinator::deferProgress(const Task& task, const TaskReport& report) {
    std::lock_guard lock(deferredMutex_);
    deferred_.progress[report.taskId] = {
        task.job, {task.sign, JobState::Running, report.attempt, report.done, report.total, {}, {}}};
}

void JobCoordinator::dropDeferredProgress(uint64_t taskId) {
    std::lock_guard lock(deferredMutex_);
    deferred_.progress.erase(taskId);
}

void JobCoordinator::writeDeferred(bool now) {
    std::vector<std::pair<int64_t, JobSignRecord>> progress;
    std::vector<std::pair<int64_t, std::string>> answers;
    {
        std::lock_guard lock(deferredMutex_);
        const int64_t ms = HealthScheduler::steadyMs();
        if (!now && ms - deferred_.writtenMs < kDeferredEveryMs) return;
        deferred_.writtenMs = ms;
        for (auto& entry : deferred_.progress) progress.push_back(std::move(entry.second));
        for (auto& [sign, at] : deferred_.answers) answers.emplace_back(sign, std::move(at));
        deferred_.progress.clear();
        deferred_.answers.clear();
    }
    // A sign that ended meanwhile was written at once and is left alone by these.
    if (!progress.empty()) net_.store.jobs.recordProgress(progress, service());
    if (!answers.empty()) net_.store.signs.noteAnswers(answers);
}

SignSettingsRecord JobCoordinator::settingsGiven(const Task& task, const std::string& at) const {
    SignSettingsRecord g;
    const JobParams& p = task.params;
    switch (task.action) {
        case JobAction::Push:
        case JobAction::Pull:
            break;
        case JobAction::Size:
            g.width = p.width, g.height = p.height, g.sizeAt = at;
            break;
        case JobAction::Clock:
            g.clockOffsetMs = 0, g.clockAt = at;
            break;
        case JobAction::OnOff:
            g.onOffEnabled = p.enabled, g.onTime = p.onTime, g.offTime = p.offTime, g.onOffAt = at;
            break;
        case JobAction::Window:
            g.windowMode = p.mode, g.windowAt = at;
            break;
        case JobAction::Brightness:
            g.brightness = p.level, g.brightnessAt = at;
            break;
    }
    return g;
}

void JobCoordinator::recordJobReport(Task task, const TaskReport& report) {
    const Actor actor = service();
    JobSignRecord sign{task.sign, JobState::Running, report.attempt, report.done, report.total, {}, {}};
    std::function<DbStatus()> also;
    switch (report.state) {
        case TaskState::Queued:
        case TaskState::Running:
            break;
        case TaskState::Retrying:
            sign.message = "retrying: " + report.message;
            break;
        case TaskState::Failed:
            sign.state = JobState::Failed;
            sign.message = report.message;
            break;
        case TaskState::Cancelled:
            sign.state = JobState::Cancelled;
            sign.message = "cancelled";
            break;
        case TaskState::Done: {
            sign.state = JobState::Done;
            sign.message = report.message;
            const std::string at = isoOf(report.appliedAt).value_or(actor.time);
            if (task.action == JobAction::Pull) {
                if (report.pulled)
                    keepPulled(task, *report.pulled, at, sign, also);
                else
                    sign.state = JobState::Failed, sign.message = "nothing was read back";
            } else if (task.action == JobAction::Push) {
                const SignHolding held{SignHolding::Program, task.params.program, task.params.version, at,
                                       actor.time};
                also = [this, &task, held, &actor] {
                    return SignStore::writeHolding(net_.store.db, task.sign, held, actor);
                };
            } else {
                const SignSettingsRecord given = settingsGiven(task, at);
                also = [this, &task, given, &actor] {
                    return SignStore::writeSettings(net_.store.db, task.sign, given, actor);
                };
            }
            break;
        }
    }
    bool ended = false;
    const DbStatus s = net_.store.jobs.updateSign(task.job, sign, actor, ended, also);
    if (s != DbStatus::Ok && s != DbStatus::NotFound)
        net_.logEvent("job " + std::to_string(task.job) + ", sign " + std::to_string(task.sign) +
                      ": cannot record the result (" + toText(s) + ")");
    if (finished(sign.state)) {
        net_.logEvent("job " + std::to_string(task.job) + ", sign " + std::to_string(task.sign) + ": " +
                      toText(sign.state) + (sign.message.empty() ? "" : " (" + sign.message + ")"));
        recordHealth(report);
        if ((task.action == JobAction::Push || task.action == JobAction::Pull) &&
            sign.state == JobState::Done)
            watchSign(task.sign);
    }
    if (ended) {
        JobRecord job;
        if (net_.store.jobs.get(task.job, job) == DbStatus::Ok)
            net_.logEvent("job " + std::to_string(task.job) + " " + toText(job.state));
    }
}

void JobCoordinator::keepPulled(const Task& task, const ProgramReadBack& pulled, const std::string& at,
                                JobSignRecord& sign, std::function<DbStatus()>& also) {
    const Actor actor = net_.actor(task.user);
    std::optional<int64_t> into;
    if (task.params.program != 0) into = task.params.program;
    SignRecord record;
    const std::string signName = net_.store.signs.get(task.sign, record) == DbStatus::Ok
                                     ? record.name
                                     : "sign " + std::to_string(task.sign);
    PulledVersion kept;
    const ServiceResult r =
        storePulledProgram(net_, pulled, pulledProgramName(signName, actor.time), into, actor, kept);
    if (!r.ok()) {
        sign.state = JobState::Failed;
        sign.message = r.message;
        return;
    }
    const std::string version =
        "program " + std::to_string(kept.program) + " version " + std::to_string(kept.version);
    if (!kept.difference.empty()) {
        // Kept for the operator to look at, but it is not what the sign holds byte for byte.
        sign.state = JobState::Failed;
        sign.message = "stored as " + version + ", but building it does not give what the sign holds (" +
                       kept.difference + "); the sign's record is unchanged";
        return;
    }
    sign.message = "stored as " + version + "; the sign holds it";
    // A sign recorded as holding a program has had no write since its SignApply (a write clears
    // the record): it plays from then still. Otherwise when it started is not known; now is the
    // closest the service can say.
    const bool knownStart = record.holding.kind == SignHolding::Program && !record.holding.since.empty();
    const SignHolding held{SignHolding::Program, kept.program, kept.version,
                           knownStart ? record.holding.since : at, actor.time};
    also = [this, id = task.sign, held, actor] {
        return SignStore::writeHolding(net_.store.db, id, held, actor);
    };
}

void JobCoordinator::recordHealth(const TaskReport& report) {
    if (!report.health) return;
    SignObservation seen{stateOf(*report.health), isoOf(report.answeredAt)};
    {
        // The same state as last written: only the answer's time moves on, with the next batch.
        std::lock_guard lock(deferredMutex_);
        const auto it = deferred_.states.find(report.signId);
        if (it != deferred_.states.end() && it->second == seen.state) {
            if (seen.answeredAt) deferred_.answers[report.signId] = *seen.answeredAt;
            return;
        }
        // A change is written at once, with the last answer still waiting when this had none.
        const auto waiting = deferred_.answers.find(report.signId);
        if (waiting != deferred_.answers.end()) {
            if (!seen.answeredAt) seen.answeredAt = std::move(waiting->second);
            deferred_.answers.erase(waiting);
        }
    }
    bool changed = false;
    const DbStatus s = net_.store.signs.observe(report.signId, seen, service(), changed);
    if (s != DbStatus::Ok) return;
    if (changed) net_.logEvent("sign " + std::to_string(report.signId) + " is " + toText(seen.state));
    std::lock_guard lock(deferredMutex_);
    deferred_.states[report.signId] = seen.state;
}

}  // namespace orb
