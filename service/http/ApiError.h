#pragma once
// Every error the API gives: a status and a body {"error": {"code": CODE, "message": MESSAGE}},
// CODE one of the stable codes below (clients branch on it; the message is for people).
#include <httplib.h>

#include <string>

#include "service/core/ServiceResult.h"

namespace orb::api {

namespace code {
inline constexpr const char* kBadRequest = "bad-request";  // 400: malformed JSON or query
inline constexpr const char* kInvalid =
    "invalid";  // 400/422: a field missing, unknown, of the wrong type or value
inline constexpr const char* kUnauthorized = "unauthorized";  // 401: no valid credentials
inline constexpr const char* kForbidden = "forbidden";        // 403: the role may not
inline constexpr const char* kCsrf = "csrf";                  // 403: a cookie session without its CSRF token
inline constexpr const char* kNotFound = "not-found";         // 404
inline constexpr const char* kMethodNotAllowed = "method-not-allowed";  // 405
inline constexpr const char* kConflict = "conflict";                    // 409: a name taken, a job finished
inline constexpr const char* kInUse = "in-use";                         // 409: still used
inline constexpr const char* kSignBusy = "sign-busy";                   // 409: another job holds the sign
inline constexpr const char* kTooLarge = "too-large";                   // 413
inline constexpr const char* kUnsupportedMedia = "unsupported-media-type";  // 415
inline constexpr const char* kOutOfRange = "out-of-range";            // 422: a time outside what may be asked
inline constexpr const char* kTooManyAttempts = "too-many-attempts";  // 429: failed logins slow down
inline constexpr const char* kUnavailable = "unavailable";            // 503: not served as it runs
inline constexpr const char* kDiskFull = "disk-full";                 // 507: nothing was written
inline constexpr const char* kStorageFailed = "storage-failed";       // 500
inline constexpr const char* kInternal = "internal";                  // 500
}  // namespace code

void sendError(httplib::Response& res, int status, const char* code, const std::string& message);
// A core operation's failure as its status and code.
void sendFailure(httplib::Response& res, const ServiceResult& result);

}  // namespace orb::api
