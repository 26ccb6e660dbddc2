// docs/api.openapi.json describes exactly the routes the server registers, each with the least
// role that may call it, and every reference in it leads somewhere.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "service/http/ApiRoute.h"

namespace orb {
namespace {

using nlohmann::json;

json description() {
    std::ifstream in(API_DESCRIPTION);
    return json::parse(in, nullptr, false);
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST(ApiDescription, NamesEveryRouteWithItsRoleAndNoOther) {
    const json doc = description();
    ASSERT_FALSE(doc.is_discarded()) << "docs/api.openapi.json is not JSON";
    std::set<std::string> documented, served;
    for (const auto& [path, item] : doc["paths"].items())
        for (const auto& [method, operation] : item.items()) {
            if (method == "parameters") continue;
            const json& role = operation.at("x-role");
            documented.insert(upper(method) + " " + path + " " +
                              (role.is_null() ? "-" : role.get<std::string>()));
            bool success = false;
            for (const auto& [status, response] : operation.at("responses").items())
                success |= status[0] == '2';
            EXPECT_TRUE(success) << method << " " << path << " documents no success";
        }
    for (const api::ApiRoute& r : api::apiRoutes())
        served.insert(r.method + " " + r.path + " " + (r.role ? toText(*r.role) : "-"));
    EXPECT_EQ(documented, served);
}

void collectRefs(const json& value, std::vector<std::string>& out) {
    if (value.is_object()) {
        for (const auto& [key, v] : value.items()) {
            if (key == "$ref" && v.is_string()) out.push_back(v);
            collectRefs(v, out);
        }
    } else if (value.is_array()) {
        for (const auto& v : value) collectRefs(v, out);
    }
}

TEST(ApiDescription, EveryReferenceResolves) {
    const json doc = description();
    ASSERT_FALSE(doc.is_discarded());
    std::vector<std::string> refs;
    collectRefs(doc, refs);
    EXPECT_GT(refs.size(), 50u);
    for (const std::string& ref : refs) {
        ASSERT_EQ(ref.rfind("#/", 0), 0u) << ref;
        EXPECT_TRUE(doc.contains(json::json_pointer(ref.substr(1)))) << ref;
    }
}

}  // namespace
}  // namespace orb
