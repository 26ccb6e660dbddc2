#pragma once
// The picture files a program's JSON form names, found in its tree, and the check each file gets
// before it goes into or comes out of a bundle.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <vector>

namespace orb {

enum class PictureRole {
    Bitmap,         // a bitmap line's "path"
    Animation,      // an animation line's "path"
    PhrasePicture,  // a phrase's "path", its rendering
    PhraseText,     // a phrase's "rtf"
};

struct PictureRef {
    std::string place;  // "items[2].lines[1].path"
    PictureRole role = PictureRole::Bitmap;
    nlohmann::ordered_json* value = nullptr;  // the path, a string in the tree
};

// Every picture path of DOC, a program in the JSON form, in document order. A path that is not a
// string is left out: the importer reports it.
std::vector<PictureRef> pictureRefs(nlohmann::ordered_json& doc);

// Why FILE cannot serve as ROLE, or "" when it can: the checks of the bitmap dialog and the image
// build (content/BmpFile, content/GifAnimation within the sign's content area) and the phrase
// editor's RTF reader, with their size limits.
std::string pictureProblem(PictureRole role, std::span<const uint8_t> file);

}  // namespace orb
