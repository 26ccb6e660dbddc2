#include "service/http/JsonBody.h"

#include <limits>

#include "editor/core/JsonPrescan.h"

namespace orb::api {

namespace {

// Integers are whole numbers that fit int64 (so ids and counts never wrap).
bool isInteger(const nlohmann::json& v) {
    if (v.is_number_unsigned()) return v.get<uint64_t>() <= uint64_t(std::numeric_limits<int64_t>::max());
    return v.is_number_integer();
}

bool hasType(const nlohmann::json& v, JsonType type) {
    switch (type) {
        case JsonType::String:
            return v.is_string();
        case JsonType::Integer:
            return isInteger(v);
        case JsonType::Number:
            return v.is_number();
        case JsonType::Boolean:
            return v.is_boolean();
        case JsonType::Object:
            return v.is_object();
        case JsonType::StringArray:
            if (!v.is_array()) return false;
            for (const auto& e : v)
                if (!e.is_string()) return false;
            return true;
        case JsonType::IntegerArray:
            if (!v.is_array()) return false;
            for (const auto& e : v)
                if (!isInteger(e)) return false;
            return true;
    }
    return false;
}

const char* typeName(JsonType type) {
    switch (type) {
        case JsonType::String:
            return "a string";
        case JsonType::Integer:
            return "an integer";
        case JsonType::Number:
            return "a number";
        case JsonType::Boolean:
            return "true or false";
        case JsonType::Object:
            return "an object";
        case JsonType::StringArray:
            return "an array of strings";
        case JsonType::IntegerArray:
            return "an array of integers";
    }
    return "?";
}

}  // namespace

BodyError checkJsonObject(const nlohmann::json& value, std::span<const FieldRule> rules,
                          const std::string& place) {
    if (!value.is_object()) return {false, (place.empty() ? "the body" : place) + " must be a JSON object"};
    for (const auto& [key, field] : value.items()) {
        const FieldRule* rule = nullptr;
        for (const FieldRule& r : rules)
            if (key == r.name) rule = &r;
        if (!rule) return {false, place + key + ": unknown field"};
        if (field.is_null() && rule->nullable) continue;
        if (!hasType(field, rule->type)) return {false, place + key + ": must be " + typeName(rule->type)};
    }
    for (const FieldRule& r : rules)
        if (r.required && (!value.contains(r.name) || value[r.name].is_null()))
            return {false, place + r.name + ": required"};
    return {};
}

BodyError parseJsonText(std::string_view text, nlohmann::json& out) {
    // Bounded before any tree is built: request bodies are flat objects with short arrays.
    const JsonLimits limits{8, 10000, 64};
    if (const auto problems = prescanJson(text, limits); !problems.empty())
        return {true, "the body is not acceptable JSON: " + toText(problems.front())};
    out = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (out.is_discarded()) return {true, "the body is not valid JSON"};
    return {};
}

BodyError parseJsonObject(std::string_view text, std::span<const FieldRule> rules, nlohmann::json& out) {
    if (BodyError e = parseJsonText(text, out)) return e;
    return checkJsonObject(out, rules, "");
}

namespace {
const nlohmann::json* fieldOf(const nlohmann::json& object, const char* name) {
    const auto it = object.find(name);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}
}  // namespace

std::optional<std::string> stringField(const nlohmann::json& object, const char* name) {
    const auto* v = fieldOf(object, name);
    return v && v->is_string() ? std::optional(v->get<std::string>()) : std::nullopt;
}

std::optional<int64_t> integerField(const nlohmann::json& object, const char* name) {
    const auto* v = fieldOf(object, name);
    return v && isInteger(*v) ? std::optional(v->get<int64_t>()) : std::nullopt;
}

std::optional<double> numberField(const nlohmann::json& object, const char* name) {
    const auto* v = fieldOf(object, name);
    return v && v->is_number() ? std::optional(v->get<double>()) : std::nullopt;
}

std::optional<bool> booleanField(const nlohmann::json& object, const char* name) {
    const auto* v = fieldOf(object, name);
    return v && v->is_boolean() ? std::optional(v->get<bool>()) : std::nullopt;
}

std::optional<std::vector<std::string>> stringsField(const nlohmann::json& object, const char* name) {
    const auto* v = fieldOf(object, name);
    if (!v || !hasType(*v, JsonType::StringArray)) return std::nullopt;
    std::vector<std::string> out;
    for (const auto& e : *v) out.push_back(e.get<std::string>());
    return out;
}

std::optional<std::vector<int64_t>> integersField(const nlohmann::json& object, const char* name) {
    const auto* v = fieldOf(object, name);
    if (!v || !hasType(*v, JsonType::IntegerArray)) return std::nullopt;
    std::vector<int64_t> out;
    for (const auto& e : *v) out.push_back(e.get<int64_t>());
    return out;
}

std::string jsonText(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace orb::api
