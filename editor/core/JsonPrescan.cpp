#include "editor/core/JsonPrescan.h"

#include <nlohmann/json.hpp>
#include <set>
#include <string>

namespace orb {

JsonShape::JsonShape() : places_(1) {}

int JsonShape::find(int parent, std::string_view key) const {
    for (size_t i = 1; i < places_.size(); ++i)
        if (places_[i].parent == parent && places_[i].key == key) return static_cast<int>(i);
    return kNone;
}

// "a.b[]" is the elements of "a.b"; "a.b" is the key "b" of "a"; "b" the key "b" of the root.
int JsonShape::ensure(std::string_view path) {
    if (path.empty()) return root();
    const bool element = path.ends_with("[]");
    std::string_view parentPath, key;
    if (element) {
        parentPath = path.substr(0, path.size() - 2);
    } else {
        const size_t dot = path.rfind('.');
        parentPath = dot == std::string_view::npos ? std::string_view() : path.substr(0, dot);
        key = dot == std::string_view::npos ? path : path.substr(dot + 1);
    }
    const int parent = ensure(parentPath);
    (element ? places_[size_t(parent)].arrays : places_[size_t(parent)].objects) = true;
    if (const int known = find(parent, key); known != kNone) return known;
    places_.push_back({parent, std::string(key), false, false, -1});
    return static_cast<int>(places_.size() - 1);
}

JsonShape& JsonShape::add(std::string_view path) {
    ensure(path);
    return *this;
}

JsonShape& JsonShape::limit(std::string_view path, int max) {
    places_[size_t(ensure(path))].maxElements = max;
    return *this;
}

int JsonShape::member(int place, std::string_view key) const {
    return key.empty() ? kNone : find(place, key);
}

int JsonShape::element(int place) const {
    return holdsArrays(place) ? find(place, "") : kNone;
}

namespace {

using nlohmann::json;

// Keys are echoed in messages; a long one is cut.
std::string shown(const std::string& key) {
    return key.size() <= 40 ? key : key.substr(0, 40) + "...";
}

class PrescanSax {
  public:
    PrescanSax(JsonProblemList& problems, const JsonLimits& limits, const JsonShape* shape)
        : problems_(problems), limits_(limits), shape_(shape) {}

    bool null() { return value(); }
    bool boolean(bool) { return value(); }
    bool number_integer(json::number_integer_t) { return value(); }
    bool number_unsigned(json::number_unsigned_t) { return value(); }
    bool number_float(json::number_float_t, const std::string&) { return value(); }
    bool string(std::string& s) { return value() && fitting(s); }
    bool binary(json::binary_t&) { return value(); }
    bool start_object(std::size_t) { return open(false); }
    bool start_array(std::size_t) { return open(true); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(std::string& k) {
        Frame& top = frames_.back();
        top.key = k;
        if (!fitting(k)) return false;
        if (top.keys.size() >= static_cast<size_t>(limits_.members)) {
            error("more than " + std::to_string(limits_.members) + " keys in one object");
            return false;
        }
        if (top.place == kSkipped) {
            top.next = kSkipped;
            return true;
        }
        if (!top.keys.insert(k).second) error("the key \"" + shown(k) + "\" is given twice");
        if (top.place == JsonShape::kNone) return true;
        top.next = shape_->member(top.place, k);
        if (top.next == JsonShape::kNone) {
            error("unknown key");
            top.next = kSkipped;
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        std::string what = e.what();
        const size_t bracket = what.find("] ");
        if (what.rfind("[json.exception", 0) == 0 && bracket != std::string::npos) what.erase(0, bracket + 2);
        problems_.add({ProblemSeverity::Error, "", "not JSON: " + what});
        return false;
    }

  private:
    // Inside a value already refused (under an unknown key, or a misplaced object or array): only
    // the bounds are checked there.
    static constexpr int kSkipped = -2;

    struct Frame {
        bool array = false;
        long index = -1;
        std::string key;
        std::set<std::string> keys;    // not kept where skipped
        int place = JsonShape::kNone;  // in the shape; kNone without one
        int next = JsonShape::kNone;   // the place of the value after the last key
        int maxElements = 0;
    };

    void error(const std::string& message) { problems_.add({ProblemSeverity::Error, place(), message}); }

    // The place in the shape of the value that starts now.
    int placeOfNext() const {
        if (frames_.empty()) return shape_ ? shape_->root() : JsonShape::kNone;
        const Frame& top = frames_.back();
        if (!top.array) return top.next;
        return top.place < 0 ? top.place : shape_->element(top.place);
    }

    // A value starts: inside an array it is the next element.
    bool value() {
        if (frames_.empty() || !frames_.back().array) return true;
        Frame& top = frames_.back();
        if (++top.index >= top.maxElements) {
            error("more than " + std::to_string(top.maxElements) + " elements in one array");
            return false;
        }
        return true;
    }

    bool fitting(const std::string& s) {
        if (s.size() <= limits_.stringBytes) return true;
        error("a string of " + std::to_string(s.size()) + " bytes; at most " +
              std::to_string(limits_.stringBytes));
        return false;
    }

    bool open(bool array) {
        if (!value()) return false;
        if (static_cast<int>(frames_.size()) >= limits_.depth) {
            error("nested more than " + std::to_string(limits_.depth) + " levels deep");
            return false;
        }
        int place = placeOfNext();
        if (place >= 0 && !(array ? shape_->holdsArrays(place) : shape_->holdsObjects(place))) {
            error(std::string("expected ") + expected(place) + ", not " + (array ? "an array" : "an object"));
            place = kSkipped;
        }
        int maxElements = limits_.elements;
        if (array && place >= 0 && shape_->maxElements(place) >= 0)
            maxElements = std::min(maxElements, shape_->maxElements(place));
        frames_.push_back({array, -1, {}, {}, place, JsonShape::kNone, maxElements});
        return true;
    }

    const char* expected(int place) const {
        if (shape_->holdsObjects(place)) return "an object";
        if (shape_->holdsArrays(place)) return "an array";
        return "a single value";
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

    JsonProblemList& problems_;
    JsonLimits limits_;
    const JsonShape* shape_;
    std::vector<Frame> frames_;
};

}  // namespace

std::vector<JsonProblem> prescanJson(std::string_view text, const JsonLimits& limits,
                                     const JsonShape* shape) {
    JsonProblemList problems;
    PrescanSax sax(problems, limits, shape);
    json::sax_parse(text.begin(), text.end(), &sax, json::input_format_t::json, true, false);
    return std::move(problems).close();
}

}  // namespace orb
