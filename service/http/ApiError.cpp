#include "service/http/ApiError.h"

#include <nlohmann/json.hpp>

namespace orb::api {

void sendError(httplib::Response& res, int status, const char* errorCode, const std::string& message) {
    const nlohmann::json body = {{"error", {{"code", errorCode}, {"message", message}}}};
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), "application/json");
}

void sendFailure(httplib::Response& res, const ServiceResult& r) {
    switch (r.outcome) {
        case Outcome::Ok:
            return;
        case Outcome::Invalid:
            return sendError(res, 422, code::kInvalid, r.message);
        case Outcome::NotFound:
            return sendError(res, 404, code::kNotFound, r.message);
        case Outcome::Conflict:
            return sendError(res, 409, code::kConflict, r.message);
        case Outcome::InUse:
            return sendError(res, 409, code::kInUse, r.message);
        case Outcome::OutOfRange:
            return sendError(res, 422, code::kOutOfRange, r.message);
        case Outcome::Unavailable:
            return sendError(res, 503, code::kUnavailable, r.message);
        case Outcome::SignBusy:
            return sendError(res, 409, code::kSignBusy, r.message);
        case Outcome::DiskFull:
            return sendError(res, 507, code::kDiskFull, r.message);
        case Outcome::StorageFailed:
            return sendError(res, 500, code::kStorageFailed, r.message);
    }
}

}  // namespace orb::api
