#pragma once
// The files of a bitmap phrase: "%03d.rtf" (the rich text) and "%03d.bmp" (its rendering) with
// the same number, in the folder "RTF" of the working folder.
#include <string>

#include "content/RgbImage.h"
#include "content/RichText.h"
#include "content/Rtf.h"

namespace orb {

struct PhraseNames {
    std::string rtf;
    std::string bmp;
};

enum class PhraseResult {
    Ok,
    CannotCreateFolder,
    CannotWriteRtf,
    CannotWriteBmp,
    CannotReadRtf,  // missing or unreadable
    BadRtf,         // read, but not RTF we can use (see rtfResult)
    CannotReadBmp,  // the rendering is missing or not a bitmap we decode
};

const char* toText(PhraseResult r);

// "FOLDER/RTF".
std::string phraseFolder(const std::string& workingFolder);
bool ensurePhraseFolder(const std::string& folder);

// Names for a new phrase: with N entries named "*.rtf" (any case) in the folder, number N + 1;
// if that number is taken (a phrase was deleted from the middle), the next free one.
PhraseNames nextPhraseNames(const std::string& folder);

// Writes the rich text and the picture (a 24-bit BMP), each whole or not at all; the folder of
// the names is created when missing.
PhraseResult SavePhrase(const PhraseNames& names, const RichText& text, const RgbImage& picture);

struct LoadedPhrase {
    RichText text;
    RgbImage picture;  // empty when only the rich text could be read
    RtfResult rtfResult = RtfResult::Ok;
};
// Reads both files. CannotReadBmp still fills the text.
PhraseResult LoadPhrase(const std::string& rtfPath, const std::string& bmpPath, LoadedPhrase& out);

}  // namespace orb
