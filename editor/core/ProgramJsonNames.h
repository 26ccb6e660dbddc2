#pragma once
// The names codes take in a program's JSON form: English words for layouts, kinds and modes, the
// dialogs' own list texts (without their numbers) for effects, colours and typefaces.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/ItemHeader.h"

namespace orb::json_names {

// A list of names indexed by stored code.
class NameList {
  public:
    explicit NameList(std::vector<std::string> names) : names_(std::move(names)) {}
    const std::string* at(size_t code) const { return code < names_.size() ? &names_[code] : nullptr; }
    std::optional<size_t> find(std::string_view name) const;
    // "a", "b" or "c", for messages.
    std::string choices() const;

  private:
    std::vector<std::string> names_;
};

const NameList& layouts();  // by layout code; code 0 has no name
const NameList& kinds();    // by ContentKind
const NameList& entryEffectsFor(ContentKind kind);
const NameList& holdEffects();
const NameList& exitEffects();
const NameList& textColours();
const NameList& backgrounds();
const NameList& typefaces();
const NameList& linkModes();    // by LinkMode
const NameList& windowModes();  // 0 "always", 1 "inside"

inline constexpr std::string_view kTitle = "title";  // the kind name of a title line

}  // namespace orb::json_names
