#include "content/PhraseFiles.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "content/BmpFile.h"
#include "content/FileBytes.h"
#include "image/ReplaceFile.h"

namespace orb {

namespace fs = std::filesystem;

const char* toText(PhraseResult r) {
    switch (r) {
        case PhraseResult::Ok:
            return "ok";
        case PhraseResult::CannotCreateFolder:
            return "cannot create the phrase folder";
        case PhraseResult::CannotWriteRtf:
            return "cannot write the phrase's RTF file";
        case PhraseResult::CannotWriteBmp:
            return "cannot write the phrase's bitmap";
        case PhraseResult::CannotReadRtf:
            return "cannot read the phrase's RTF file";
        case PhraseResult::BadRtf:
            return "the phrase's RTF file cannot be used";
        case PhraseResult::CannotReadBmp:
            return "cannot read the phrase's bitmap";
    }
    return "?";
}

std::string phraseFolder(const std::string& workingFolder) {
    return (fs::path(workingFolder) / "RTF").string();
}

bool ensurePhraseFolder(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

namespace {

std::string numbered(const std::string& folder, int n, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "%03d.%s", n, extension);
    return (fs::path(folder) / name).string();
}

bool isRtfName(const fs::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".rtf";
}

}  // namespace

PhraseNames nextPhraseNames(const std::string& folder) {
    int count = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (isRtfName(it->path())) ++count;
    int n = count + 1;
    // Counting alone would reuse the number of a phrase still in use after one before it went.
    while (n < 100000 &&
           (fs::exists(numbered(folder, n, "rtf"), ec) || fs::exists(numbered(folder, n, "bmp"), ec)))
        ++n;
    return {numbered(folder, n, "rtf"), numbered(folder, n, "bmp")};
}

PhraseResult SavePhrase(const PhraseNames& names, const RichText& text, const RgbImage& picture) {
    if (!ensurePhraseFolder(fs::path(names.rtf).parent_path().string()) ||
        !ensurePhraseFolder(fs::path(names.bmp).parent_path().string()))
        return PhraseResult::CannotCreateFolder;
    const std::string rtf = writeRtf(text);
    const auto* rtfBytes = reinterpret_cast<const uint8_t*>(rtf.data());
    if (replaceFile(names.rtf, {rtfBytes, rtf.size()}) != IoResult::Ok) return PhraseResult::CannotWriteRtf;
    const std::vector<uint8_t> bmp = encodeBmp24(picture);
    if (replaceFile(names.bmp, bmp) != IoResult::Ok) return PhraseResult::CannotWriteBmp;
    return PhraseResult::Ok;
}

PhraseResult LoadPhrase(const std::string& rtfPath, const std::string& bmpPath, LoadedPhrase& out) {
    out = LoadedPhrase{};
    std::vector<uint8_t> bytes;
    if (readFileBytes(rtfPath, kMaxRtfBytes, bytes) != ReadResult::Ok) return PhraseResult::CannotReadRtf;
    out.rtfResult =
        readRtf(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), out.text);
    if (out.rtfResult != RtfResult::Ok) {
        out.text = RichText{};
        return PhraseResult::BadRtf;
    }
    if (readBmpFile(bmpPath, out.picture) != BmpResult::Ok) {
        out.picture = RgbImage{};
        return PhraseResult::CannotReadBmp;
    }
    return PhraseResult::Ok;
}

}  // namespace orb
