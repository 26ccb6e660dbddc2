#pragma once
// A project as JSON text (docs/program-format.md): the settings and the items in list order,
// every code by its name. Export and import are inverses: importing an export gives back every
// byte a reader of the project uses, and exporting an import gives back the JSON when it was in
// exported form.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/ItemStore.h"

namespace orb {

enum class ProblemSeverity { Warning, Error };

// One finding, with its place in the JSON: "items[3].lines[1].runs[0].text" ("" for the whole
// document).
struct JsonProblem {
    ProblemSeverity severity = ProblemSeverity::Error;
    std::string place;
    std::string message;
};

// "error: PLACE: MESSAGE" or "warning: PLACE: MESSAGE".
std::string toText(const JsonProblem& problem);
bool hasErrors(const std::vector<JsonProblem>& problems);

// Larger documents are refused before they are parsed; a program of 100 items of three lines of
// 511 one-character runs stays well below.
inline constexpr size_t kMaxProgramJsonBytes = size_t{32} << 20;
// Deeper nesting, longer arrays (the longest a program has are 511 runs), larger objects, longer
// strings (a text or path of 511 CP949 bytes is under 800 bytes of UTF-8) and keys the format does
// not have are refused while scanning, before any tree is built.
inline constexpr int kMaxProgramJsonDepth = 32;
inline constexpr int kMaxProgramJsonElements = 1024;
inline constexpr int kMaxProgramJsonMembers = 64;
inline constexpr size_t kMaxProgramJsonString = 4096;
// Past this many problems only their number is reported.
inline constexpr size_t kMaxProgramJsonProblems = 200;

// Problems in the order found, up to kMaxProgramJsonProblems; past it only their number, which
// close() adds as a last problem ("N more problems not shown").
class JsonProblemList {
  public:
    void add(JsonProblem problem);
    // OTHER's problems after these, as if they had been added here.
    void append(JsonProblemList&& other);
    std::vector<JsonProblem> close() &&;

  private:
    std::vector<JsonProblem> shown_;
    size_t unshown_ = 0;
    bool unshownError_ = false;
};

// The JSON form of a whole store, in the canonical layout (two-space indent, a final newline).
// Anything stored that has no JSON form (an unknown code, a text that is not CP949) is an error;
// JSON is then left empty.
std::vector<JsonProblem> exportProgramJson(const ItemStore& store, std::string& json);

struct JsonImportOptions {
    // Whether a picture file exists (a missing one is a warning); by default the file system.
    std::function<bool(const std::string& utf8Path)> fileExists;
};

// Checks JSON completely and reports every problem; only when there is no error does it fill
// STORE with the program (items, zero records after them, the settings block), written as the
// editor writes them.
std::vector<JsonProblem> importProgramJson(std::string_view json, const JsonImportOptions& options,
                                           ItemStore& store);

// One line in its JSON form (an element of an item's "lines") as line LINE of an item of LAYOUT:
// on success OUT is a record of that layout holding only this line's kind, header fields and
// payload, and LINES says which lines it holds. Places are relative to the line ("runs[0].text").
// For a title and sentence, line 1 may also be given as the array [title, sentence], both at once.
std::vector<JsonProblem> importLineJson(std::string_view json, LayoutCode layout, int line,
                                        const JsonImportOptions& options, ItemRecord& out,
                                        std::vector<int>& lines);

// The text forms the JSON uses: "HH:MM", "YYYY-MM-DD" ("a.b.c.d" is LinkChoice's parseIpText).
std::optional<ClockTime> parseClockText(std::string_view text);
std::optional<DdayDate> parseDateText(std::string_view text);

}  // namespace orb
