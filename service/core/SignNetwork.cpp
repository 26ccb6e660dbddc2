#include "service/core/SignNetwork.h"

#include <algorithm>
#include <set>

#include "editor/core/ProgramJson.h"
#include "service/core/NameText.h"
#include "service/fleet/SignAddress.h"

namespace orb {

namespace {

std::string signWhat(int64_t id) {
    return "sign " + std::to_string(id);
}

ServiceResult invalid(std::string message) {
    return ServiceResult::fail(Outcome::Invalid, std::move(message));
}

}  // namespace

SignNetwork::SignNetwork(ServiceStore& s, Auth& a, const ServiceClock& c) : store(s), auth(a), clock(c) {}

ServiceResult SignNetwork::checkSign(const SignInput& in) const {
    std::string error;
    if (!isNameText(in.name)) return invalid("name: 1 to 100 characters, no control characters");
    if (!parseSignAddress(in.link, error)) return invalid("link: " + error);
    if (!isNameText(in.model, 32)) return invalid("model: 1 to 32 characters");
    if (in.width < 5 || in.width > 40) return invalid("width: 5 to 40 modules");
    if (in.height < 1 || in.height > 8) return invalid("height: 1 to 8 modules");
    if (!isNameText(in.location, kMaxNameChars, true)) return invalid("location: at most 100 characters");
    if (!isNameText(in.notes, kMaxNoteChars, true)) return invalid("notes: at most 2000 characters");
    for (const std::string& g : in.groups)
        if (!isNameText(g)) return invalid("groups: each name 1 to 100 characters");
    if (const auto& c = in.coordinates; c && !(c->latitude >= -90 && c->latitude <= 90))
        return invalid("latitude: -90 to 90 degrees");
    if (const auto& c = in.coordinates; c && !(c->longitude >= -180 && c->longitude <= 180))
        return invalid("longitude: -180 to 180 degrees");
    return {};
}

ServiceResult SignNetwork::createSign(const SignInput& in, const Actor& actor, int64_t& id) {
    if (ServiceResult r = checkSign(in); !r.ok()) return r;
    const DbStatus s = store.signs.create(in, actor, id);
    if (s == DbStatus::Conflict)
        return ServiceResult::fail(Outcome::Conflict, "a sign named " + in.name + " exists");
    if (s == DbStatus::Ok && signChanged) signChanged(id);
    return resultOf(s, "the sign");
}

ServiceResult SignNetwork::updateSign(int64_t id, const SignPatch& p, const Actor& actor) {
    SignRecord old;
    if (const DbStatus s = store.signs.get(id, old); s != DbStatus::Ok) return resultOf(s, signWhat(id));
    // The sign as it would be, checked whole.
    SignInput next{
        p.name.value_or(old.name),   p.link.value_or(old.link),     p.model.value_or(old.model),
        p.width.value_or(old.width), p.height.value_or(old.height), p.location.value_or(old.location),
        p.notes.value_or(old.notes), p.groups.value_or(old.groups), p.coordinates.value_or(old.coordinates)};
    if (ServiceResult r = checkSign(next); !r.ok()) return r;
    const DbStatus s = store.signs.update(id, p, actor);
    if (s == DbStatus::Conflict)
        return ServiceResult::fail(Outcome::Conflict, "a sign named " + next.name + " exists");
    if (s == DbStatus::Ok && signChanged) signChanged(id);
    return resultOf(s, signWhat(id));
}

ServiceResult SignNetwork::deleteSign(int64_t id, const Actor& actor) {
    if (const std::string users = store.calendar.usersOfSign(id); !users.empty())
        return ServiceResult::fail(Outcome::InUse, signWhat(id) + " is named by " + users);
    const DbStatus s = store.signs.remove(id, actor);
    if (s == DbStatus::Conflict) {
        SignRecord r;
        store.signs.get(id, r);
        return ServiceResult::fail(Outcome::SignBusy,
                                   signWhat(id) + " is held by job " + std::to_string(r.busyJob.value_or(0)));
    }
    if (s == DbStatus::Ok && signRemoved) signRemoved(id);
    return resultOf(s, signWhat(id));
}

ServiceResult SignNetwork::createGroup(const std::string& name, const std::vector<int64_t>& signs,
                                       const Actor& actor, int64_t& id) {
    if (!isNameText(name)) return invalid("name: 1 to 100 characters, no control characters");
    const DbStatus s = store.groups.create(name, signs, actor, id);
    if (s == DbStatus::Conflict)
        return ServiceResult::fail(Outcome::Conflict, "a group named " + name + " exists");
    if (s == DbStatus::NotFound) return invalid("signs: a sign named does not exist");
    return resultOf(s, "the group");
}

ServiceResult SignNetwork::updateGroup(int64_t id, const std::optional<std::string>& name,
                                       const std::optional<std::vector<int64_t>>& signs, const Actor& actor) {
    if (name && !isNameText(*name)) return invalid("name: 1 to 100 characters, no control characters");
    GroupRecord old;
    if (const DbStatus s = store.groups.get(id, old); s != DbStatus::Ok)
        return resultOf(s, "group " + std::to_string(id));
    const DbStatus s = store.groups.update(id, name, signs, actor);
    if (s == DbStatus::Conflict)
        return ServiceResult::fail(Outcome::Conflict, "a group named " + *name + " exists");
    if (s == DbStatus::NotFound) return invalid("signs: a sign named does not exist");
    return resultOf(s, "group " + std::to_string(id));
}

ServiceResult SignNetwork::deleteGroup(int64_t id, const Actor& actor) {
    if (const std::string users = store.calendar.usersOfGroup(id); !users.empty())
        return ServiceResult::fail(Outcome::InUse, "group " + std::to_string(id) + " is named by " + users);
    return resultOf(store.groups.remove(id, actor), "group " + std::to_string(id));
}

namespace {

// The bundle reader's refusal with the program's first problems, for the one who uploaded it.
std::string bundleMessage(const BundleOutcome& outcome) {
    std::string message = toText(outcome);
    size_t shown = 0;
    for (const JsonProblem& p : outcome.problems) {
        if (p.severity != ProblemSeverity::Error) continue;
        if (++shown > 10) {
            message += "; ...";
            break;
        }
        message += "; " + toText(p);
    }
    return message;
}

}  // namespace

ServiceResult SignNetwork::addProgram(std::span<const uint8_t> zip, const std::string& name,
                                      std::optional<int64_t> existing, const Actor& actor, int64_t& id,
                                      int& version, std::vector<std::string>& warnings) {
    if (!existing && !isNameText(name)) return invalid("name: 1 to 100 characters, no control characters");
    ProgramBundle bundle;
    BundleOutcome read = readBundle(zip, bundle, bundleLimits);
    if (!read.ok()) return invalid("the bundle is refused: " + bundleMessage(read));
    ProgramVersionInput in;
    const auto place = [&](const BundleFile& file) {
        const PlacedFile placed = store.content.placer().place(file);
        if (!placed.path.empty()) in.files.push_back({file.name, ContentStore::nameOf(placed.path)});
        return placed;
    };
    ItemStore items;
    BundleOutcome imported = importBundle(bundle, place, items);
    if (!imported.ok()) {
        // A full disk or the like: the files placed stay, named by their content, for a retry.
        if (imported.result == BundleResult::CannotPlace)
            return ServiceResult::fail(Outcome::StorageFailed,
                                       "the bundle's files cannot be stored: " + bundleMessage(imported));
        return invalid("the bundle is refused: " + bundleMessage(imported));
    }
    for (const JsonProblem& p : imported.problems) warnings.push_back(toText(p));
    in.json = bundle.programJson;
    in.itemCount = items.itemCount();
    in.store.resize(ItemStore::kFileSize);
    if (items.readAll(std::span<uint8_t, ItemStore::kFileSize>(in.store.data(), ItemStore::kFileSize)) !=
        IoResult::Ok)
        return ServiceResult::fail(Outcome::StorageFailed, "the program could not be read back");
    if (existing) {
        id = *existing;
        return resultOf(store.programs.addVersion(id, in, actor, version), "program " + std::to_string(id));
    }
    version = 1;
    return resultOf(store.programs.add(name, in, actor, id), "the program");
}

ServiceResult SignNetwork::programBundle(int64_t id, int version, std::vector<uint8_t>& zip) {
    ProgramVersionRecord v;
    const std::string what = "program " + std::to_string(id) + " version " + std::to_string(version);
    if (const DbStatus s = store.programs.version(id, version, v); s != DbStatus::Ok)
        return resultOf(s, what);
    std::vector<BundleFile> files;
    files.push_back({std::string(kProgramEntry), std::vector<uint8_t>(v.json.begin(), v.json.end())});
    for (const ProgramFile& f : v.files) {
        files.push_back({f.name, {}});
        if (!store.content.get(f.stored, files.back().bytes))
            return ServiceResult::fail(Outcome::StorageFailed,
                                       "the content file " + f.stored + " of " + what + " cannot be read");
    }
    if (!writeArchive(files, zip).ok())
        return ServiceResult::fail(Outcome::StorageFailed, "the bundle of " + what + " cannot be made");
    return {};
}

ServiceResult SignNetwork::deleteProgram(int64_t id, const Actor& actor) {
    std::string users = store.calendar.usersOfProgram(id);
    if (const std::string shown = store.takeovers.usersOfProgram(id); !shown.empty())
        users += (users.empty() ? "" : "; ") + shown;
    if (!users.empty())
        return ServiceResult::fail(Outcome::InUse, "program " + std::to_string(id) + " is used by " + users);
    std::vector<std::string> unused;
    const DbStatus s = store.programs.remove(id, actor, unused);
    if (s == DbStatus::Conflict)
        return ServiceResult::fail(Outcome::InUse, "program " + std::to_string(id) +
                                                       " is held by a sign or pushed by an unfinished job");
    for (const std::string& name : unused) store.content.remove(name);
    return resultOf(s, "program " + std::to_string(id));
}

ServiceResult SignNetwork::checkJob(JobRequest& r) {
    JobParams& p = r.params;
    switch (r.action) {
        case JobAction::Push: {
            ProgramVersionRecord v;
            const DbStatus s = store.programs.version(p.program, p.version, v);
            if (s == DbStatus::NotFound)
                return invalid("program " + std::to_string(p.program) +
                               (p.version ? " version " + std::to_string(p.version) : "") +
                               " does not exist");
            if (s != DbStatus::Ok) return resultOf(s, "the program");
            p.version = v.version;
            return {};
        }
        case JobAction::Size:
            if (p.width < 5 || p.width > 40 || p.height < 1 || p.height > 8)
                return invalid("size: width 5 to 40, height 1 to 8 modules");
            return {};
        case JobAction::Clock:
            return {};
        case JobAction::OnOff:
            if (!parseClockText(p.onTime) || !parseClockText(p.offTime)) return invalid("on, off: \"HH:MM\"");
            return {};
        case JobAction::Window:
            if (p.mode != 0 && p.mode != 1) return invalid("mode: 0 or 1");
            return {};
        case JobAction::Brightness:
            if (p.level < 0 || p.level > 9) return invalid("level: 1 to 10");
            return {};
        case JobAction::Pull: {
            if (p.program == 0) return {};
            ProgramRecord existing;
            const DbStatus s = store.programs.get(p.program, existing);
            if (s == DbStatus::NotFound)
                return invalid("program " + std::to_string(p.program) + " does not exist");
            return s == DbStatus::Ok ? ServiceResult{} : resultOf(s, "the program");
        }
    }
    return invalid("unknown action");
}

ServiceResult SignNetwork::resolveTargets(const JobRequest& r, std::vector<int64_t>& signs,
                                          std::string& target) {
    std::set<int64_t> chosen(r.signs.begin(), r.signs.end());
    int64_t missing = 0;
    if (const DbStatus s = store.signs.existing(r.signs, missing); s != DbStatus::Ok)
        return s == DbStatus::NotFound ? invalid("signs: sign " + std::to_string(missing) + " does not exist")
                                       : resultOf(s, "the signs");
    std::vector<GroupRecord> groups;
    if (const DbStatus s = store.groups.list(groups); s != DbStatus::Ok) return resultOf(s, "the groups");
    for (const std::string& name : r.groups) {
        const auto g =
            std::find_if(groups.begin(), groups.end(), [&](const GroupRecord& x) { return x.name == name; });
        if (g == groups.end()) return invalid("groups: no group is named " + name);
        chosen.insert(g->signs.begin(), g->signs.end());
    }
    if (r.all) {
        std::vector<SignRecord> every;
        if (const DbStatus s = store.signs.list(every); s != DbStatus::Ok) return resultOf(s, "the signs");
        for (const SignRecord& x : every) chosen.insert(x.id);
    }
    signs.assign(chosen.begin(), chosen.end());
    if (signs.empty()) return invalid("the job names no sign");
    target = r.all ? "all" : "";
    for (size_t i = 0; !r.all && i < r.signs.size(); ++i)
        target += (i ? "," : "signs ") + std::to_string(r.signs[i]);
    for (size_t i = 0; !r.all && i < r.groups.size(); ++i)
        target += (i ? "," : target.empty() ? "groups " : "; groups ") + r.groups[i];
    return {};
}

ServiceResult SignNetwork::createJob(const JobRequest& request, const Actor& actor, JobCreated& created) {
    JobRequest r = request;
    if (ServiceResult c = checkJob(r); !c.ok()) return c;
    std::vector<int64_t> signs;
    std::string target;
    if (ServiceResult t = resolveTargets(r, signs, target); !t.ok()) return t;
    const DbStatus s = store.jobs.create(r.action, r.params, target, signs, actor, created.id, created.held);
    if (s == DbStatus::Conflict) {
        std::string message = "every sign is held by another job:";
        for (const HeldSign& h : created.held)
            message += " sign " + std::to_string(h.sign) + " by job " + std::to_string(h.job) + ";";
        message.pop_back();
        return ServiceResult::fail(Outcome::SignBusy, message);
    }
    if (s != DbStatus::Ok) return resultOf(s, "the job");
    if (jobCreated) jobCreated(created.id);
    return {};
}

ServiceResult SignNetwork::cancelJob(int64_t id, const Actor& actor) {
    std::vector<int64_t> running;
    const DbStatus s = store.jobs.cancel(id, actor, running);
    if (s == DbStatus::Conflict)
        return ServiceResult::fail(Outcome::Conflict, "job " + std::to_string(id) + " has finished");
    if (s != DbStatus::Ok) return resultOf(s, "job " + std::to_string(id));
    if (jobCancelled) jobCancelled(id, running);
    return {};
}

namespace {

ServiceResult checkPassword(const std::string& password) {
    if (password.size() < kMinPasswordBytes || password.size() > kMaxPasswordBytes)
        return invalid("password: 8 to 1024 bytes");
    return {};
}

}  // namespace

ServiceResult SignNetwork::addUser(const std::string& name, Role role, const std::string& password,
                                   const Actor& actor, int64_t& id) {
    if (!isNameText(name, 64)) return invalid("name: 1 to 64 characters, no control characters");
    if (ServiceResult r = checkPassword(password); !r.ok()) return r;
    std::string hash;
    if (!auth.hashPassword(password, hash))
        return ServiceResult::fail(Outcome::StorageFailed, "no memory to hash the password");
    const DbStatus s = store.users.add(name, role, hash, actor, id);
    if (s == DbStatus::Conflict)
        return ServiceResult::fail(Outcome::Conflict, "a user named " + name + " exists");
    return resultOf(s, "the user");
}

ServiceResult SignNetwork::setUserRole(int64_t id, Role role, const Actor& actor) {
    UserRecord user;
    if (const DbStatus s = store.users.get(id, user); s != DbStatus::Ok)
        return resultOf(s, "user " + std::to_string(id));
    int admins = 0;
    if (const DbStatus s = store.users.adminCount(admins); s != DbStatus::Ok) return resultOf(s, "the users");
    if (user.role == Role::Admin && role != Role::Admin && admins <= 1)
        return ServiceResult::fail(Outcome::InUse, "the last admin keeps the role");
    return resultOf(store.users.setRole(id, role, actor), "user " + std::to_string(id));
}

ServiceResult SignNetwork::setUserPassword(int64_t id, const std::string& password, const Actor& actor) {
    if (ServiceResult r = checkPassword(password); !r.ok()) return r;
    std::string hash;
    if (!auth.hashPassword(password, hash))
        return ServiceResult::fail(Outcome::StorageFailed, "no memory to hash the password");
    return resultOf(store.users.setPassword(id, hash, actor), "user " + std::to_string(id));
}

ServiceResult SignNetwork::deleteUser(int64_t id, const Actor& actor) {
    UserRecord user;
    if (const DbStatus s = store.users.get(id, user); s != DbStatus::Ok)
        return resultOf(s, "user " + std::to_string(id));
    int admins = 0;
    if (const DbStatus s = store.users.adminCount(admins); s != DbStatus::Ok) return resultOf(s, "the users");
    if (user.role == Role::Admin && admins <= 1)
        return ServiceResult::fail(Outcome::InUse, "the last admin cannot be deleted");
    return resultOf(store.users.remove(id, actor), "user " + std::to_string(id));
}

ServiceResult SignNetwork::addToken(const std::string& name, const std::optional<std::string>& expires,
                                    const Actor& actor, std::string& token) {
    UserRecord user;
    std::string hash;
    const DbStatus s = store.users.findByName(name, user, hash);
    if (s == DbStatus::NotFound) return ServiceResult::fail(Outcome::NotFound, "no user is named " + name);
    if (s != DbStatus::Ok) return resultOf(s, "the user");
    LocalTimestamp when;
    if (expires && !parseIsoText(*expires, when)) return invalid("expires: \"YYYY-MM-DDTHH:MM:SS\"");
    return resultOf(
        auth.newApiToken(user.id, expires ? std::optional(toIsoText(when)) : std::nullopt, actor, token),
        "the token");
}

}  // namespace orb
