#include "service/core/Role.h"

namespace orb {

const char* toText(Role r) {
    switch (r) {
        case Role::Viewer:
            return "viewer";
        case Role::Operator:
            return "operator";
        case Role::Admin:
            return "admin";
    }
    return "?";
}

std::optional<Role> parseRole(std::string_view text) {
    for (Role r : {Role::Viewer, Role::Operator, Role::Admin})
        if (text == toText(r)) return r;
    return std::nullopt;
}

}  // namespace orb
