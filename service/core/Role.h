#pragma once
// Who may do what: a viewer reads; an operator also pushes and changes programs; an admin also
// manages signs, groups and users. Each role may do all that the ones before it may.
#include <optional>
#include <string_view>

namespace orb {

enum class Role { Viewer = 0, Operator = 1, Admin = 2 };

const char* toText(Role r);  // "viewer", "operator", "admin"
std::optional<Role> parseRole(std::string_view text);

inline bool mayAct(Role user, Role needed) {
    return static_cast<int>(user) >= static_cast<int>(needed);
}

}  // namespace orb
