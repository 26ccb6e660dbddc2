#pragma once
// The signs: what they are and where (name, link, model, size, location, notes, groups), what
// each holds, the settings it was last given, and what the last exchange with it showed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/core/AuditLog.h"
#include "service/core/Database.h"

namespace orb {

inline constexpr const char* kDefaultModel = "LEDSign";

enum class SignState { Online, Unreachable, OtherModel, Busy, Differs, Unknown };
const char* toText(SignState s);  // "online", "unreachable", "other-model", "busy", "differs", "unknown"

// What a sign holds: nothing known, a program version verified by read-back, or nothing at all
// (a read-back found no items).
struct SignHolding {
    enum Kind { Unknown, Program, Empty } kind = Unknown;
    int64_t program = 0;
    int version = 0;
    std::string since;     // the sign's local time of the SignApply that started it
    std::string verified;  // when the read-back matched
};

// The settings a sign was last given, each with the time it acknowledged them; unset when it
// was never given one through the service.
struct SignSettingsRecord {
    std::optional<int> width, height;
    std::optional<std::string> sizeAt;
    std::optional<int64_t> clockOffsetMs;  // the sign's clock minus the service's when it was set
    std::optional<std::string> clockAt;
    std::optional<bool> onOffEnabled;
    std::optional<std::string> onTime, offTime;  // "HH:MM"
    std::optional<std::string> onOffAt;
    std::optional<int> windowMode;  // 0 or 1
    std::optional<std::string> windowAt;
    std::optional<int> brightness;  // 0..9
    std::optional<std::string> brightnessAt;
};

// Where a sign stands, in degrees (north and east positive).
struct SignCoordinates {
    double latitude = 0, longitude = 0;
    bool operator==(const SignCoordinates&) const = default;
};

struct SignRecord {
    int64_t id = 0;
    std::string name, link, model = kDefaultModel;
    int width = 6, height = 1;  // modules
    std::string location, notes, created;
    std::optional<SignCoordinates> coordinates;  // unset: Seoul for the sun times
    std::vector<std::string> groups;             // by name, sorted
    SignHolding holding;
    SignSettingsRecord settings;
    SignState state = SignState::Unknown;  // Busy while a job runs on it
    std::optional<std::string> lastAnswer;
    std::optional<int64_t> busyJob;  // the queued or running job that holds it
};

// What a sign is made with; GROUPS that do not exist yet are created.
struct SignInput {
    std::string name, link, model = kDefaultModel;
    int width = 6, height = 1;
    std::string location, notes;
    std::vector<std::string> groups;
    std::optional<SignCoordinates> coordinates;
};

// A change to a sign: what is set is changed; GROUPS, when set, replaces its membership.
struct SignPatch {
    std::optional<std::string> name, link, model, location, notes;
    std::optional<int> width, height;
    std::optional<std::vector<std::string>> groups;
    std::optional<std::optional<SignCoordinates>> coordinates;  // set to nothing: unset them
};

// What an exchange with a sign showed (health checks and jobs).
struct SignObservation {
    SignState state = SignState::Unknown;  // not Busy
    std::optional<std::string> answeredAt;
};

class SignStore {
  public:
    explicit SignStore(Database& db) : db_(db) {}

    // Conflict when the name is taken.
    DbStatus create(const SignInput& in, const Actor& actor, int64_t& id);
    DbStatus update(int64_t id, const SignPatch& patch, const Actor& actor);
    // Conflict while a queued or running job holds the sign.
    DbStatus remove(int64_t id, const Actor& actor);
    DbStatus get(int64_t id, SignRecord& out);
    // Every sign, by id.
    DbStatus list(std::vector<SignRecord>& out);

    // Ids of existing signs among IDS; NotFound naming the first missing one in MISSING.
    DbStatus existing(const std::vector<int64_t>& ids, int64_t& missing);

    // --- Written as jobs and checks go; each with its audit row ---
    DbStatus recordHolding(int64_t id, const SignHolding& holding, const Actor& actor);
    // What the sign holds is no longer known (its memory was written to).
    DbStatus forgetHolding(int64_t id, const Actor& actor);
    DbStatus recordSettings(int64_t id, const SignSettingsRecord& given, const Actor& actor);
    // Stores what an exchange showed; CHANGED says whether the state differs from the stored
    // one (the change is then audited).
    DbStatus observe(int64_t id, const SignObservation& seen, const Actor& actor, bool& changed);
    // The last answers of signs whose state did not change (each a sign and a time), one
    // transaction for all; a time earlier than the stored one is left out.
    DbStatus noteAnswers(const std::vector<std::pair<int64_t, std::string>>& answers);

    // The same, inside the caller's transaction (the caller holds the database's mutex).
    static DbStatus writeHolding(Database& db, int64_t id, const SignHolding& holding, const Actor& actor);
    static DbStatus clearHolding(Database& db, int64_t id, const Actor& actor);
    static DbStatus writeSettings(Database& db, int64_t id, const SignSettingsRecord& given,
                                  const Actor& actor);

  private:
    Database& db_;
};

}  // namespace orb
