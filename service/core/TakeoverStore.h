#pragma once
// Emergency takeovers as stored: what each shows (a program version, and the text, colour and
// effect it was made from, or none when an existing program was given), the signs and groups
// asked for, until when, who started and ended it, and each target sign's acknowledgement. The
// target signs are fixed when the takeover is made. Every change is one transaction with its
// audit row.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/calendar/DayPlan.h"
#include "service/core/AuditLog.h"
#include "service/core/Database.h"

namespace orb {

// The name of the program made from the text of takeover ID.
std::string takeoverProgramName(int64_t id);

enum class AckState { Pending, Done, Failed };
const char* toText(AckState s);  // "pending", "done", "failed"

struct TakeoverAck {
    int64_t sign = 0;
    std::string name;  // the sign's
    AckState state = AckState::Pending;
    std::optional<std::string> at;  // when the verified transfer finished
    std::string message;
    int64_t job = 0;  // the push under way or last made, 0 for none
    // What the sign held when the takeover was made (0: nothing known), and whether it was given
    // what follows the takeover.
    int64_t priorProgram = 0;
    int priorVersion = 0;
    std::optional<int> priorWindow;  // its display-window mode, when it was given one
    bool restored = false;
};

struct Takeover {
    int64_t id = 0;
    std::optional<std::string> text, colour, effect;  // none for a program given as it is
    int64_t program = 0;
    int version = 0;
    std::string programName;     // read with it, so that people see a name rather than a number
    std::vector<int64_t> signs;  // as asked for
    std::vector<std::string> groups;
    std::optional<std::string> until;  // "YYYY-MM-DDTHH:MM:SS.mmm"
    std::string created, createdBy;
    std::optional<std::string> ended, endedBy;
    std::vector<TakeoverAck> acks;  // by sign id

    // Not ended, and before its end time at NOW ("YYYY-MM-DDTHH:MM:SS.mmm").
    bool activeAt(const std::string& now) const { return !ended && (!until || now < *until); }
};

// What TAKEOVERS put on SIGN's plan: each that reaches it, from the minute it was made to the
// minute it ended (from then on what follows it shows), or its `until` (a part of a minute
// counts whole).
std::vector<PlanTakeover> planTakeoversOf(int64_t sign, const std::vector<Takeover>& takeovers);

class TakeoverStore {
  public:
    explicit TakeoverStore(Database& db) : db_(db) {}

    // Stores T (its id 0) with a pending acknowledgement for each of SIGNS, each with what it
    // holds now, and names the program made from its text after it; T's id, created and
    // createdBy are set. Conflict when a sign or the program is gone.
    DbStatus create(Takeover& t, const std::vector<int64_t>& signs, const Actor& actor);
    DbStatus get(int64_t id, Takeover& out);
    // Newest first; only those not ended when NOT_ENDED_ONLY (the caller checks `until`).
    DbStatus list(bool notEndedOnly, std::vector<Takeover>& out);
    // Ends takeover ID at the actor's time; Conflict when it has ended already. RESULT names why
    // in the audit row ("cancelled", "until reached").
    DbStatus end(int64_t id, const Actor& actor, const std::string& why);

    // A push JOB was made to give the takeover to SIGN: pending again.
    DbStatus startAck(int64_t id, int64_t sign, int64_t job);
    // The push ended: done at AT (audited as the sign's acknowledgement) or failed with MESSAGE.
    DbStatus finishAck(int64_t id, int64_t sign, bool done, const std::string& at, const std::string& message,
                       const Actor& actor);
    // SIGN was given what follows the takeover (audited with DETAIL).
    DbStatus markRestored(int64_t id, int64_t sign, const std::string& detail, const Actor& actor);

    // The takeovers that showed PROGRAM, as words ("takeovers 2, 5"; "" for none): their records
    // keep it, so it cannot be deleted.
    std::string usersOfProgram(int64_t program);

  private:
    DbStatus readAcks(int64_t id, std::vector<TakeoverAck>& out);

    Database& db_;
};

}  // namespace orb
