#pragma once
// A pass over JSON text that builds no tree: it finds syntax errors, nesting deeper than allowed,
// keys given twice in one object (which a tree would silently keep once) and over-long strings;
// given the shape of a format, also keys the format does not have, arrays longer than their place
// holds and an object or array where a single value belongs; each with its place. A document it
// passes becomes a tree whose size follows from what the format holds, not from the text.
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/ProgramJson.h"

namespace orb {

// Bounds on the tree a text may become, whatever its shape.
struct JsonLimits {
    int depth = 32;             // nested objects and arrays
    int elements = 1024;        // in one array
    int members = 64;           // keys in one object
    size_t stringBytes = 4096;  // in one string or key, as UTF-8
};

// The places a format has. A place is named by its path: keys joined by ".", "[]" for every
// element of an array ("items[].lines[].runs"); the root is "". A place holds single values; it
// holds objects when keys were added below it, arrays when "[]" was.
class JsonShape {
  public:
    static constexpr int kNone = -1;

    JsonShape();
    // Adds PATH and every place above it.
    JsonShape& add(std::string_view path);
    // The array at PATH (added) holds at most MAX elements.
    JsonShape& limit(std::string_view path, int max);

    int root() const { return 0; }
    // The place of KEY in an object at PLACE; kNone when the format has no such key there.
    int member(int place, std::string_view key) const;
    // The place of the elements of an array at PLACE; kNone when PLACE holds no arrays.
    int element(int place) const;
    bool holdsObjects(int place) const { return places_[size_t(place)].objects; }
    bool holdsArrays(int place) const { return places_[size_t(place)].arrays; }
    int maxElements(int place) const { return places_[size_t(place)].maxElements; }

  private:
    struct Place {
        int parent = kNone;
        std::string key;       // empty for an element
        bool objects = false;  // holds objects: keys were added below it
        bool arrays = false;   // holds arrays: "[]" was added below it
        int maxElements = -1;  // -1: only the limits' bound
    };
    int find(int parent, std::string_view key) const;  // KEY "" for the elements
    int ensure(std::string_view path);

    std::vector<Place> places_;
};

// Empty when the text may be parsed into a tree. Stops at the first syntax error or the first
// limit passed; duplicate keys, unknown keys and misplaced objects and arrays are all reported
// (the contents of the latter two are not looked into), up to kMaxProgramJsonProblems.
std::vector<JsonProblem> prescanJson(std::string_view text, const JsonLimits& limits,
                                     const JsonShape* shape = nullptr);

}  // namespace orb
