#pragma once
// The service's operations, without HTTP: each checks what it is given, changes the store in one
// transaction (audited), and says how it went. The API and the command line call these.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bundle/ProgramBundle.h"
#include "service/core/Auth.h"
#include "service/core/ServiceClock.h"
#include "service/core/ServiceResult.h"
#include "service/core/ServiceStore.h"

namespace orb {

// A job as asked for: the action with its parameters, and the signs it goes to (those named, the
// members of the groups named, or all).
class SignFrames;

struct JobRequest {
    JobAction action = JobAction::Push;
    JobParams params;  // a push's version 0 is the program's latest
    std::vector<int64_t> signs;
    std::vector<std::string> groups;
    bool all = false;
};

struct JobCreated {
    int64_t id = 0;
    std::vector<HeldSign> held;  // signs another job holds, failed at once in this one
};

inline constexpr size_t kMinPasswordBytes = 8;
inline constexpr size_t kMaxPasswordBytes = 1024;

class SignNetwork {
  public:
    SignNetwork(ServiceStore& store, Auth& auth, const ServiceClock& clock);

    // USER acting now.
    Actor actor(const std::string& user) const { return {user, toIsoText(clock.now())}; }

    ServiceResult createSign(const SignInput& in, const Actor& actor, int64_t& id);
    ServiceResult updateSign(int64_t id, const SignPatch& patch, const Actor& actor);
    // Refused (SignBusy) while a job holds the sign.
    ServiceResult deleteSign(int64_t id, const Actor& actor);

    ServiceResult createGroup(const std::string& name, const std::vector<int64_t>& signs, const Actor& actor,
                              int64_t& id);
    ServiceResult updateGroup(int64_t id, const std::optional<std::string>& name,
                              const std::optional<std::vector<int64_t>>& signs, const Actor& actor);
    ServiceResult deleteGroup(int64_t id, const Actor& actor);

    // Reads the program bundle ZIP and stores it as a new program NAME (EXISTING unset) or as the
    // next version of program EXISTING; its files go to the content store. Refused (Invalid) with
    // the bundle reader's message and the program's problems; WARNINGS gets the import's.
    ServiceResult addProgram(std::span<const uint8_t> zip, const std::string& name,
                             std::optional<int64_t> existing, const Actor& actor, int64_t& id, int& version,
                             std::vector<std::string>& warnings);
    // The bundle of a stored version: its program.json as uploaded and its files under their
    // names in the upload.
    ServiceResult programBundle(int64_t id, int version, std::vector<uint8_t>& zip);

    // Refused (InUse) while a sign holds one of its versions or an unfinished job pushes one;
    // content files no other program uses are removed with it.
    ServiceResult deleteProgram(int64_t id, const Actor& actor);

    // Refused (SignBusy) when every sign it names is held by another job.
    ServiceResult createJob(const JobRequest& request, const Actor& actor, JobCreated& created);
    ServiceResult cancelJob(int64_t id, const Actor& actor);

    ServiceResult addUser(const std::string& name, Role role, const std::string& password, const Actor& actor,
                          int64_t& id);
    // The last admin keeps the role and cannot be deleted.
    ServiceResult setUserRole(int64_t id, Role role, const Actor& actor);
    ServiceResult setUserPassword(int64_t id, const std::string& password, const Actor& actor);
    ServiceResult deleteUser(int64_t id, const Actor& actor);
    // A new API token for the user NAME, given once.
    ServiceResult addToken(const std::string& name, const std::optional<std::string>& expires,
                           const Actor& actor, std::string& token);

    // One line per event (the program writes them to stderr); nothing when unset.
    std::function<void(const std::string& line)> log;
    void logEvent(const std::string& line) const {
        if (log) log(line);
    }

    // What an uploaded bundle may make the service hold.
    BundleLimits bundleLimits{uint64_t{64} << 20, uint64_t{128} << 20, 1024};

    // Told of jobs made and cancelled (the job coordinator runs them).
    std::function<void(int64_t job)> jobCreated;
    std::function<void(int64_t job, const std::vector<int64_t>& runningSigns)> jobCancelled;
    // What the signs show (the frame route); none: frames are refused.
    SignFrames* frames = nullptr;
    // Told of signs made or changed, and deleted (their health checks follow).
    std::function<void(int64_t sign)> signChanged;
    std::function<void(int64_t sign)> signRemoved;

    ServiceStore& store;
    Auth& auth;
    const ServiceClock& clock;

  private:
    ServiceResult checkSign(const SignInput& in) const;
    ServiceResult resolveTargets(const JobRequest& request, std::vector<int64_t>& signs, std::string& target);
    ServiceResult checkJob(JobRequest& request);
};

}  // namespace orb
