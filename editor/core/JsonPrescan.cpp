#include "editor/core/JsonPrescan.h"

#include <nlohmann/json.hpp>
#include <set>
#include <string>

namespace orb {

namespace {

using nlohmann::json;

// Keys are echoed in messages; a long one is cut.
std::string shown(const std::string& key) {
    return key.size() <= 40 ? key : key.substr(0, 40) + "...";
}

class PrescanSax {
  public:
    PrescanSax(std::vector<JsonProblem>& problems, const JsonLimits& limits)
        : problems_(problems), limits_(limits) {}

    bool null() { return value(); }
    bool boolean(bool) { return value(); }
    bool number_integer(json::number_integer_t) { return value(); }
    bool number_unsigned(json::number_unsigned_t) { return value(); }
    bool number_float(json::number_float_t, const std::string&) { return value(); }
    bool string(std::string&) { return value(); }
    bool binary(json::binary_t&) { return value(); }
    bool start_object(std::size_t) { return open(false); }
    bool start_array(std::size_t) { return open(true); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(std::string& k) {
        Frame& top = frames_.back();
        top.key = k;
        if (top.keys.size() >= static_cast<size_t>(limits_.members)) {
            problems_.push_back({ProblemSeverity::Error, place(),
                                 "more than " + std::to_string(limits_.members) + " keys in one object"});
            return false;
        }
        if (!top.keys.insert(k).second && ++duplicates_ <= kMaxDuplicates)
            problems_.push_back(
                {ProblemSeverity::Error, place(), "the key \"" + shown(k) + "\" is given twice"});
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        std::string what = e.what();
        const size_t bracket = what.find("] ");
        if (what.rfind("[json.exception", 0) == 0 && bracket != std::string::npos) what.erase(0, bracket + 2);
        problems_.push_back({ProblemSeverity::Error, "", "not JSON: " + what});
        return false;
    }

  private:
    static constexpr int kMaxDuplicates = 100;

    struct Frame {
        bool array = false;
        long index = -1;
        std::string key;
        std::set<std::string> keys;
    };

    // A value starts: inside an array it is the next element.
    bool value() {
        if (frames_.empty() || !frames_.back().array) return true;
        if (++frames_.back().index >= limits_.elements) {
            problems_.push_back({ProblemSeverity::Error, place(),
                                 "more than " + std::to_string(limits_.elements) + " elements in one array"});
            return false;
        }
        return true;
    }

    bool open(bool array) {
        if (!value()) return false;
        if (static_cast<int>(frames_.size()) >= limits_.depth) {
            problems_.push_back({ProblemSeverity::Error, place(),
                                 "nested more than " + std::to_string(limits_.depth) + " levels deep"});
            return false;
        }
        frames_.push_back({array, -1, {}, {}});
        return true;
    }

    bool close() {
        frames_.pop_back();
        return true;
    }

    std::string place() const {
        std::string out;
        for (const Frame& f : frames_) {
            if (f.array) {
                if (f.index >= 0) out += "[" + std::to_string(f.index) + "]";
            } else if (!f.key.empty() || !f.keys.empty()) {
                out += (out.empty() ? "" : ".") + shown(f.key);
            }
        }
        return out;
    }

    std::vector<JsonProblem>& problems_;
    JsonLimits limits_;
    int duplicates_ = 0;
    std::vector<Frame> frames_;
};

}  // namespace

std::vector<JsonProblem> prescanJson(std::string_view text, const JsonLimits& limits) {
    std::vector<JsonProblem> problems;
    PrescanSax sax(problems, limits);
    json::sax_parse(text.begin(), text.end(), &sax, json::input_format_t::json, true, false);
    return problems;
}

}  // namespace orb
