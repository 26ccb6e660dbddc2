#pragma once
// Request bodies in JSON: parsed without exceptions, and checked against the fields a route
// takes before any value is used. Unknown fields, missing required ones and values of the wrong
// type are refused with the field's name.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orb::api {

enum class JsonType { String, Integer, Number, Boolean, Object, StringArray, IntegerArray };

struct FieldRule {
    const char* name;
    JsonType type;
    bool required = false;
    bool nullable = false;  // null is taken as left out
};

// Why a body was refused; empty when it was not.
struct BodyError {
    bool malformed = false;  // not JSON at all (400 bad-request); else a field is wrong (400 invalid)
    std::string message;
    explicit operator bool() const { return !message.empty(); }
};

// Parses TEXT (bounded in depth and size before any tree is built); any JSON value.
BodyError parseJsonText(std::string_view text, nlohmann::json& out);
// Parses TEXT as a JSON object that follows RULES.
BodyError parseJsonObject(std::string_view text, std::span<const FieldRule> rules, nlohmann::json& out);
// Checks a parsed object against RULES (nested objects); PLACE prefixes the field names.
BodyError checkJsonObject(const nlohmann::json& value, std::span<const FieldRule> rules,
                          const std::string& place);

// Typed reads of fields already checked; left-out or null fields give nothing.
std::optional<std::string> stringField(const nlohmann::json& object, const char* name);
std::optional<int64_t> integerField(const nlohmann::json& object, const char* name);
std::optional<double> numberField(const nlohmann::json& object, const char* name);
std::optional<bool> booleanField(const nlohmann::json& object, const char* name);
std::optional<std::vector<std::string>> stringsField(const nlohmann::json& object, const char* name);
std::optional<std::vector<int64_t>> integersField(const nlohmann::json& object, const char* name);

// JSON text for a response: invalid UTF-8 (never stored, but never trusted) is replaced.
std::string jsonText(const nlohmann::json& value);

}  // namespace orb::api
