#include "service/core/Auth.h"

#include <sodium.h>

#include <array>
#include <vector>

namespace orb {

namespace {

constexpr size_t kSecretBytes = 32;

std::string randomSecret() {
    std::array<uint8_t, kSecretBytes> bytes{};
    randombytes_buf(bytes.data(), bytes.size());
    std::vector<char> hex(bytes.size() * 2 + 1);
    sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
    return std::string(hex.data(), bytes.size() * 2);
}

std::array<uint8_t, 32> secretHash(const std::string& secret) {
    std::array<uint8_t, 32> out{};
    crypto_generichash(out.data(), out.size(), reinterpret_cast<const unsigned char*>(secret.data()),
                       secret.size(), nullptr, 0);
    return out;
}

// Tokens are 64 lower-case hex digits; anything else is not looked up.
bool tokenShaped(const std::string& token) {
    if (token.size() != kSecretBytes * 2) return false;
    for (char c : token)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

AuthSettings fastAuthSettingsForTests() {
    AuthSettings s;
    s.opsLimit = crypto_pwhash_OPSLIMIT_MIN;
    s.memLimit = crypto_pwhash_MEMLIMIT_MIN;
    return s;
}

bool Auth::initialise() {
    return sodium_init() >= 0;
}

bool sameSecret(const std::string& a, const std::string& b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

Auth::Auth(UserStore& users, AuditLog& audit, const ServiceClock& clock, AuthSettings settings)
    : users_(users),
      audit_(audit),
      clock_(clock),
      settings_(settings),
      throttle_(settings.firstLoginDelayMs, settings.longestLoginDelayMs) {
    if (settings_.opsLimit == 0) settings_.opsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
    if (settings_.memLimit == 0) settings_.memLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;
}

bool Auth::hashPassword(const std::string& password, std::string& hash) const {
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), settings_.opsLimit, settings_.memLimit) != 0)
        return false;
    hash = out;
    return true;
}

bool Auth::verifyPassword(const std::string& hash, const std::string& password) const {
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

LoginResult Auth::login(const std::string& name, const std::string& password, const std::string& address) {
    LoginResult r;
    const LocalTimestamp now = clock_.now();
    const int64_t nowMs = toMillis(now);
    const Actor actor{name, toIsoText(now)};
    const std::string userKey = "user:" + name, addressKey = "address:" + address;
    r.retryAfterMs = std::max(throttle_.waitMs(userKey, nowMs), throttle_.waitMs(addressKey, nowMs));
    if (r.retryAfterMs > 0) {
        audit_.record(actor.audit("login", "user " + name, "refused", "too many failures; from " + address));
        r.status = LoginResult::Throttled;
        return r;
    }
    std::string hash;
    const DbStatus found = users_.findByName(name, r.user, hash);
    if (found != DbStatus::Ok && found != DbStatus::NotFound) return r;
    const bool known = found == DbStatus::Ok;
    if (!known) std::call_once(dummyOnce_, [this] { hashPassword(randomSecret(), dummyHash_); });
    const bool matches = verifyPassword(known ? hash : dummyHash_, password) && known;
    if (!matches) {
        throttle_.failed(userKey, nowMs);
        throttle_.failed(addressKey, nowMs);
        audit_.record(actor.audit("login", "user " + name, "failed", "from " + address));
        r.status = LoginResult::Refused;
        return r;
    }
    throttle_.succeeded(userKey);
    throttle_.succeeded(addressKey);
    r.token = randomSecret();
    r.csrf = randomSecret();
    r.expires = toIsoText(fromMillis(nowMs + int64_t{settings_.sessionMinutes} * 60000));
    const auto idHash = secretHash(r.token);
    r.status = users_.addSession(r.user.id, idHash, r.csrf, r.expires, actor) == DbStatus::Ok
                   ? LoginResult::Ok
                   : LoginResult::Failed;
    return r;
}

DbStatus Auth::logout(const std::string& token, const Actor& actor) {
    if (!tokenShaped(token)) return DbStatus::NotFound;
    const auto idHash = secretHash(token);
    return users_.removeSession(idHash, actor);
}

namespace {
AuthCheck checkOf(DbStatus s) {
    return s == DbStatus::Ok         ? AuthCheck::Ok
           : s == DbStatus::NotFound ? AuthCheck::Invalid
                                     : AuthCheck::Failed;
}
}  // namespace

AuthCheck Auth::byBearer(const std::string& token, Principal& out) {
    if (!tokenShaped(token)) return AuthCheck::Invalid;
    const auto hash = secretHash(token);
    const std::string now = toIsoText(clock_.now());
    std::string expires;
    DbStatus s = users_.userForSession(hash, now, out.user, out.csrf, expires);
    if (s == DbStatus::NotFound) s = users_.userForToken(hash, now, out.user);
    out.byCookie = false;
    return checkOf(s);
}

AuthCheck Auth::byCookie(const std::string& sessionId, Principal& out) {
    if (!tokenShaped(sessionId)) return AuthCheck::Invalid;
    const auto hash = secretHash(sessionId);
    std::string expires;
    const DbStatus s = users_.userForSession(hash, toIsoText(clock_.now()), out.user, out.csrf, expires);
    out.byCookie = true;
    return checkOf(s);
}

DbStatus Auth::newApiToken(int64_t userId, const std::optional<std::string>& expires, const Actor& actor,
                           std::string& token) {
    token = randomSecret();
    const auto hash = secretHash(token);
    return users_.addToken(userId, hash, expires, actor);
}

}  // namespace orb
