#pragma once
// Rich text without a window: paragraphs of runs, each run one character format. This is what
// the bitmap-phrase dialog sets and what its ".rtf" file keeps. Texts are UTF-8.
#include <optional>
#include <string>
#include <vector>

#include "content/RgbImage.h"

namespace orb {

struct RichFormat {
    std::string font;     // family name; empty for the document's default
    int halfPoints = 24;  // size in half points (RTF's \fs)
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::optional<Rgb> colour;      // none: the reader's default text colour
    std::optional<Rgb> background;  // none: no background of its own
    bool operator==(const RichFormat&) const = default;
};

struct RichRun {
    std::string text;
    RichFormat format;
    bool operator==(const RichRun&) const = default;
};

struct RichParagraph {
    std::vector<RichRun> runs;
    bool operator==(const RichParagraph&) const = default;
};

struct RichText {
    std::vector<RichParagraph> paragraphs;
    bool operator==(const RichText&) const = default;
    // Appends text in a format, merging it into the last run when the format is the same.
    void append(const std::string& utf8, const RichFormat& format);
    void newParagraph() { paragraphs.emplace_back(); }
    // The text alone, paragraphs joined by '\n'.
    std::string plainText() const;
};

}  // namespace orb
