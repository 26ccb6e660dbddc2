#include "bundle/BundlePictures.h"

#include <string_view>

#include "content/BmpFile.h"
#include "content/GifAnimation.h"
#include "content/Rtf.h"
#include "editor/core/LineEncoder.h"
#include "editor/core/ProgramJsonNames.h"

namespace orb {

namespace {

using ojson = nlohmann::ordered_json;

const std::string& kindName(ContentKind kind) {
    return *json_names::kinds().at(static_cast<size_t>(kind));
}

void addPath(ojson& line, const char* key, PictureRole role, const std::string& place,
             std::vector<PictureRef>& out) {
    const auto value = line.find(key);
    if (value != line.end() && value->is_string()) out.push_back({place + "." + key, role, &*value});
}

void lineRefs(ojson& line, const std::string& place, std::vector<PictureRef>& out) {
    if (!line.is_object()) return;
    const auto kind = line.find("kind");
    if (kind == line.end() || !kind->is_string()) return;
    const std::string& name = kind->get_ref<const std::string&>();
    if (name == kindName(ContentKind::Bitmap)) {
        addPath(line, "path", PictureRole::Bitmap, place, out);
    } else if (name == kindName(ContentKind::Animation)) {
        addPath(line, "path", PictureRole::Animation, place, out);
    } else if (name == kindName(ContentKind::BitmapPhrase)) {
        addPath(line, "path", PictureRole::PhrasePicture, place, out);
        addPath(line, "rtf", PictureRole::PhraseText, place, out);
    }
}

std::string animationProblem(std::span<const uint8_t> file) {
    if (file.size() > GifAnimation::kMaxFileBytes)
        return "a GIF over " + std::to_string(GifAnimation::kMaxFileBytes) + " bytes";
    GifAnimation gif;
    const bool loaded = gif.Load(file, kContentAreaBytes);
    if (gif.oversized()) return "more frames than the sign's memory holds";
    if (!loaded) return "not a GIF animation that decodes";
    // As the image build: frames that do not decode are left out, but one must.
    if (gif.Frames().empty()) return {};
    for (size_t k = 0; k < gif.Frames().size(); ++k)
        if (gif.DrawFrame(k)) return {};
    return "none of its frames decodes";
}

}  // namespace

std::vector<PictureRef> pictureRefs(ojson& doc) {
    std::vector<PictureRef> out;
    if (!doc.is_object()) return out;
    const auto items = doc.find("items");
    if (items == doc.end() || !items->is_array()) return out;
    for (size_t i = 0; i < items->size(); ++i) {
        ojson& item = (*items)[i];
        if (!item.is_object()) continue;
        const auto lines = item.find("lines");
        if (lines == item.end() || !lines->is_array()) continue;
        for (size_t n = 0; n < lines->size(); ++n)
            lineRefs((*lines)[n], "items[" + std::to_string(i) + "].lines[" + std::to_string(n) + "]", out);
    }
    return out;
}

std::string pictureProblem(PictureRole role, std::span<const uint8_t> file) {
    switch (role) {
        case PictureRole::Bitmap:
        case PictureRole::PhrasePicture: {
            const BmpResult r = checkBitmapFileBytes(file).result;
            return r == BmpResult::Ok ? std::string() : bitmapCheckMessage(r);
        }
        case PictureRole::Animation:
            return animationProblem(file);
        case PictureRole::PhraseText: {
            RichText text;
            const RtfResult r =
                readRtf(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()), text);
            return r == RtfResult::Ok ? std::string()
                                      : std::string("not RTF the phrase editor reads: ") + toText(r);
        }
    }
    return {};
}

}  // namespace orb
