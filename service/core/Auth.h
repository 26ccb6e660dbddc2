#pragma once
// Who is asking: passwords (libsodium's memory-hard crypto_pwhash_str), logins that slow down
// after failures, sessions (a bearer token that is also the console's cookie, with a CSRF token)
// and API tokens for scripts. Secrets are random 256-bit values given out once; only their
// BLAKE2b hashes are stored.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "service/core/AuditLog.h"
#include "service/core/LoginThrottle.h"
#include "service/core/ServiceClock.h"
#include "service/core/UserStore.h"

namespace orb {

struct AuthSettings {
    // crypto_pwhash limits; 0 takes libsodium's interactive ones. Tests lower them.
    unsigned long long opsLimit = 0;
    size_t memLimit = 0;
    int sessionMinutes = 12 * 60;
    int64_t firstLoginDelayMs = 1000;
    int64_t longestLoginDelayMs = 5 * 60 * 1000;
};

// The lowest limits libsodium accepts: for tests only.
AuthSettings fastAuthSettingsForTests();

// Someone authenticated.
struct Principal {
    UserRecord user;
    bool byCookie = false;  // a console session: changes must echo its CSRF token
    std::string csrf;
};

struct LoginResult {
    enum Status { Ok, Refused, Throttled, Failed } status = Failed;
    std::string token, csrf, expires;  // Ok
    UserRecord user;                   // Ok
    int64_t retryAfterMs = 0;          // Throttled
};

enum class AuthCheck { Ok, Invalid, Failed };

class Auth {
  public:
    // Calls sodium_init(); false when libsodium cannot start.
    static bool initialise();

    Auth(UserStore& users, AuditLog& audit, const ServiceClock& clock, AuthSettings settings);

    // A crypto_pwhash_str string for PASSWORD; false when memory for it is lacking.
    bool hashPassword(const std::string& password, std::string& hash) const;
    bool verifyPassword(const std::string& hash, const std::string& password) const;

    // Checks NAME and PASSWORD from ADDRESS; every failure and refusal is audited.
    LoginResult login(const std::string& name, const std::string& password, const std::string& address);
    DbStatus logout(const std::string& token, const Actor& actor);

    // The user behind a bearer token (a session's or an API token) or a session cookie.
    AuthCheck byBearer(const std::string& token, Principal& out);
    AuthCheck byCookie(const std::string& sessionId, Principal& out);

    // A new API token for USERID, given out once.
    DbStatus newApiToken(int64_t userId, const std::optional<std::string>& expires, const Actor& actor,
                         std::string& token);

    const AuthSettings& settings() const { return settings_; }

  private:
    UserStore& users_;
    AuditLog& audit_;
    const ServiceClock& clock_;
    AuthSettings settings_;
    LoginThrottle throttle_;
    // Verified against for unknown names, so that they take as long as known ones; made at the
    // first such login.
    std::once_flag dummyOnce_;
    std::string dummyHash_;
};

// Constant-time comparison of two secrets' texts.
bool sameSecret(const std::string& a, const std::string& b);

}  // namespace orb
