// Program bundles: a project of every kind goes out and comes back with the same image, and what
// a bundle must not hold is refused with its place.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bundle/BundlePictures.h"
#include "bundle/ContentPlacer.h"
#include "bundle/FolderPlacer.h"
#include "bundle/ProgramBundle.h"
#include "bundle/tests/BundleFixtures.h"
#include "bundle/tests/ZipCraft.h"
#include "editor/core/PreviewBuild.h"

namespace orb {
namespace {

using testing::craftZip;
using ::testing::ElementsAre;
using testing::EveryKindProject;
using ::testing::HasSubstr;
using testing::TempDir;
using testing::textBytes;

std::vector<std::string> texts(const std::vector<JsonProblem>& problems) {
    std::vector<std::string> out;
    for (const JsonProblem& p : problems) out.push_back(toText(p));
    return out;
}

// The writes the image build makes for STORE; every picture must have been usable.
std::vector<ProgramWrite> imageWrites(const ItemStore& store) {
    ProgramPlan plan;
    EXPECT_EQ(planStore(store, plan).result, PlanResult::Ok);
    EXPECT_THAT(plan.problems, ::testing::IsEmpty());
    return plan.writes;
}

bool sameWrites(const std::vector<ProgramWrite>& a, const std::vector<ProgramWrite>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].address != b[i].address || a[i].bytes != b[i].bytes) return false;
    return true;
}

nlohmann::ordered_json exported(const ItemStore& store) {
    std::string json;
    EXPECT_THAT(texts(exportProgramJson(store, json)), ::testing::IsEmpty());
    return nlohmann::ordered_json::parse(json);
}

TEST(ProgramBundle, EveryKindComesBackWithTheSameImageAndPictures) {
    TempDir from, to;
    EveryKindProject project(from);
    std::vector<uint8_t> zip;
    const BundleOutcome written = writeBundle(project.store, zip);
    ASSERT_TRUE(written.ok()) << toText(written) << ::testing::PrintToString(texts(written.problems));

    ProgramBundle bundle;
    const BundleOutcome read = readBundle(zip, bundle);
    ASSERT_TRUE(read.ok()) << toText(read) << ::testing::PrintToString(texts(read.problems));
    std::vector<std::string> names;
    for (const BundleFile& f : bundle.files) names.push_back(f.name);
    std::string hangulName = "media/005-로고 2_1 ";  // cut to 64 bytes before its extension
    for (int i = 0; i < 16; ++i) hangulName += "긴";
    hangulName += ".bmp";
    EXPECT_THAT(names, ElementsAre("media/001-logo.bmp", "media/002-spinner.gif", "media/003-001.bmp",
                                   "media/004-001.rtf", hangulName));

    FolderPlacer placer(to.file("media-folder"));
    ItemStore back;
    std::string placedJson;
    const BundleOutcome imported = importBundle(bundle, placer.placer(), back, &placedJson);
    ASSERT_TRUE(imported.ok()) << toText(imported) << ::testing::PrintToString(texts(imported.problems));
    EXPECT_EQ(placer.created().size(), 5u);
    EXPECT_TRUE(sameWrites(imageWrites(back), imageWrites(project.store)));

    // The same program, each picture path now naming a copy of the file in the new folder.
    nlohmann::ordered_json original = exported(project.store), copy = exported(back);
    EXPECT_EQ(copy.dump(2) + "\n", placedJson);
    const std::vector<PictureRef> was = pictureRefs(original), now = pictureRefs(copy);
    ASSERT_EQ(was.size(), 6u);
    ASSERT_EQ(now.size(), was.size());
    for (size_t i = 0; i < was.size(); ++i) {
        const std::string path = now[i].value->get<std::string>();
        EXPECT_THAT(path, ::testing::StartsWith(to.file("media-folder/media/")));
        EXPECT_TRUE(testing::readFileBytes(path) == testing::readFileBytes(was[i].value->get<std::string>()))
            << path;
        *now[i].value = *was[i].value;
    }
    EXPECT_EQ(copy, original);
}

TEST(ProgramBundle, TheSameProjectGivesTheSameBundle) {
    TempDir dir;
    EveryKindProject project(dir);
    std::vector<uint8_t> first, second;
    ASSERT_TRUE(writeBundle(project.store, first).ok());
    ASSERT_TRUE(writeBundleFile(project.store, dir.file("p.zip")).ok());
    second = testing::readFileBytes(dir.file("p.zip"));
    EXPECT_TRUE(first == second);
}

TEST(ProgramBundle, ExportRefusesPicturesThatCannotBeReadOrUsedAndWritesNothing) {
    TempDir dir;
    EveryKindProject project(dir);
    std::filesystem::remove(project.spinner);
    testing::writeFileBytes(project.logo, testing::colourBmp(801, 16));
    std::vector<uint8_t> zip;
    BundleOutcome r = writeBundle(project.store, zip);
    EXPECT_EQ(r.result, BundleResult::BadPicture);  // the first problem's
    EXPECT_THAT(texts(r.problems),
                ElementsAre("error: items[1].lines[0].path: \"" + project.logo +
                                "\": 그림의 가로크기는 최대 800 입니다",
                            "error: items[1].lines[1].path: \"" + project.spinner + "\": cannot be read"));
    EXPECT_TRUE(zip.empty());
    EXPECT_FALSE(writeBundleFile(project.store, dir.file("p.zip")).ok());
    EXPECT_FALSE(std::filesystem::exists(dir.file("p.zip")));

    testing::writeFileBytes(project.logo, testing::colourBmp(40, 16));
    testing::writeFileBytes(project.spinner, testing::threeFrameGif());
    BundleLimits small;
    small.maxExpandedBytes = 3000;  // the logo and the spinner fit, the phrase's picture does not
    r = writeBundle(project.store, zip, small);
    EXPECT_EQ(r.result, BundleResult::TooLarge);
    ASSERT_FALSE(r.problems.empty());
    EXPECT_EQ(toText(r.problems[0]), "error: items[3].lines[0].path: \"" + project.phraseBmp +
                                         "\": takes the pictures together past the limit");
}

// A bundle of a one-line program showing PATH as KIND, holding FILES.
std::vector<uint8_t> bundleOf(const std::string& kind, const std::string& path,
                              std::vector<testing::CraftEntry> files, const std::string& extra = "") {
    const std::string json = R"({"version": 1, "sign": {"width": 10, "height": 1}, "items": [
        {"layout": "one", "heights": [1], "lines": [{"kind": ")" +
                             kind + R"(", "path": ")" + path + "\"" + extra +
                             R"(, "width": 16, "height": 16}]}]})";
    files.insert(files.begin(), {"program.json", textBytes(json)});
    return craftZip(files);
}

TEST(ProgramBundle, AProgramThatIsMissingOrRefusedIsReportedWithItsPlaces) {
    ProgramBundle bundle;
    BundleOutcome r = readBundle(craftZip({{"media/a.bmp", testing::colourBmp(16, 16)}}), bundle);
    EXPECT_EQ(r.result, BundleResult::NoProgram);
    EXPECT_EQ(toText(r), "no program.json in the bundle");

    r = readBundle(craftZip({{"program.json", textBytes(R"({"version": 1, "sign": {"width": 3, "height": 1},
        "items": [{"layout": "one", "heights": [1], "lines": [{"kind": "dday", "date": "2026-13-01", "runs": []}]}]})")}}),
                   bundle);
    EXPECT_EQ(r.result, BundleResult::ProgramRefused);
    EXPECT_EQ(toText(r), "program.json has errors");
    EXPECT_THAT(
        texts(r.problems),
        ElementsAre("error: sign.width: expected a whole number from 5 to 40",
                    "error: items[0].lines[0].date: expected a date \"YYYY-MM-DD\", not \"2026-13-01\""));
}

TEST(ProgramBundle, PicturesThatAreMissingOrRefusedAreReportedWithTheirPlaces) {
    ProgramBundle bundle;
    BundleOutcome r = readBundle(bundleOf("bitmap", "media/none.bmp", {}), bundle);
    EXPECT_EQ(r.result, BundleResult::MissingFile);
    EXPECT_THAT(texts(r.problems),
                ElementsAre("error: items[0].lines[0].path: no file \"media/none.bmp\" in the bundle"));

    r = readBundle(bundleOf("bitmap", "/etc/passwd", {}), bundle);
    EXPECT_EQ(r.result, BundleResult::MissingFile);
    EXPECT_THAT(texts(r.problems),
                ElementsAre("error: items[0].lines[0].path: \"/etc/passwd\" is not a file of "
                            "the bundle: the name starts with \"/\""));

    const std::pair<std::vector<uint8_t>, std::vector<std::string>> cases[] = {
        {bundleOf("bitmap", "a.bmp", {{"a.bmp", textBytes("GIF89a")}}),
         {"error: items[0].lines[0].path: \"a.bmp\": bmp파일이 아닙니다."}},
        {bundleOf("bitmap", "a.bmp", {{"a.bmp", testing::colourBmp(16, 161)}}),
         {"error: items[0].lines[0].path: \"a.bmp\": 그림의 세로크기는 최대 160 입니다"}},
        {bundleOf("animation", "a.gif", {{"a.gif", testing::colourBmp(16, 16)}}, R"(, "frames": 1)"),
         {"error: items[0].lines[0].path: \"a.gif\": not a GIF animation that decodes"}},
        {bundleOf("phrase", "p.bmp",
                  {{"p.bmp", testing::colourBmp(16, 16)}, {"p.rtf", textBytes("{\\rtf1 hello")}},
                  R"(, "rtf": "p.rtf")"),
         {"error: items[0].lines[0].rtf: \"p.rtf\": not RTF the phrase editor reads: " +
          std::string(toText(RtfResult::Truncated))}},
    };
    for (const auto& [zip, expected] : cases) {
        r = readBundle(zip, bundle);
        EXPECT_EQ(r.result, BundleResult::BadPicture);
        EXPECT_EQ(texts(r.problems), expected);
        EXPECT_TRUE(bundle.files.empty() && bundle.programJson.empty()) << "nothing is handed out";
    }

    // A GIF whose frames pass the sign's memory is refused before any is decoded.
    r = readBundle(bundleOf("animation", "a.gif", {{"a.gif", testing::repeatedFrames(640, 480, false, 1000)}},
                            R"(, "frames": 1)"),
                   bundle);
    EXPECT_THAT(
        texts(r.problems),
        ElementsAre("error: items[0].lines[0].path: \"a.gif\": more frames than the sign's memory holds"));
}

TEST(ProgramBundle, EntriesTheProgramDoesNotNameAreNotHandedOut) {
    ProgramBundle bundle;
    const BundleOutcome r = readBundle(
        bundleOf("bitmap", "pictures/a.bmp",
                 {{"pictures/a.bmp", testing::colourBmp(16, 16)}, {"notes.txt", textBytes("not a picture")}}),
        bundle);
    ASSERT_TRUE(r.ok()) << toText(r);
    ASSERT_EQ(bundle.files.size(), 1u);
    EXPECT_EQ(bundle.files[0].name, "pictures/a.bmp");

    // A phrase without its rich text names only its picture.
    ASSERT_TRUE(
        readBundle(bundleOf("phrase", "p.bmp", {{"p.bmp", testing::colourBmp(16, 16)}}, R"(, "rtf": null)"),
                   bundle)
            .ok());
    ASSERT_EQ(bundle.files.size(), 1u);
    ItemStore store;
    ASSERT_TRUE(importBundle(
                    bundle,
                    [](const BundleFile&) {
                        return PlacedFile{"/store/p.bmp", ""};
                    },
                    store)
                    .ok());
}

TEST(ProgramBundle, AFileThePlacerCannotStoreOrAPathTheProjectCannotHoldChangesNothing) {
    ProgramBundle bundle;
    ASSERT_TRUE(
        readBundle(bundleOf("bitmap", "a.bmp", {{"a.bmp", testing::colourBmp(16, 16)}}), bundle).ok());
    ItemStore store;
    const std::vector<uint8_t> empty(ItemStore::kFileSize, 0);
    auto storeBytes = [&store] {
        std::vector<uint8_t> b(ItemStore::kFileSize);
        EXPECT_EQ(store.readAll(std::span<uint8_t, ItemStore::kFileSize>(b.data(), b.size())), IoResult::Ok);
        return b;
    };

    BundleOutcome r = importBundle(
        bundle,
        [](const BundleFile&) {
            return PlacedFile{"", "disk full"};
        },
        store);
    EXPECT_EQ(r.result, BundleResult::CannotPlace);
    EXPECT_EQ(toText(r), "\"a.bmp\": disk full");
    r = importBundle(
        bundle,
        [](const BundleFile& f) {
            return PlacedFile{f.name, ""};
        },
        store);
    EXPECT_EQ(toText(r), "\"a.bmp\": stored under \"a.bmp\", not an absolute UTF-8 path");
    r = importBundle(
        bundle,
        [](const BundleFile&) {
            return PlacedFile{"/media/😀.bmp", ""};
        },
        store);
    EXPECT_EQ(r.result, BundleResult::ProgramRefused);
    EXPECT_THAT(texts(r.problems),
                ElementsAre("error: items[0].lines[0].path: holds characters that CP949 cannot represent"));
    EXPECT_TRUE(storeBytes() == empty);

    r = importBundle(
        bundle,
        [](const BundleFile&) {
            return PlacedFile{"/store/a.bmp", ""};
        },
        store);
    ASSERT_TRUE(r.ok());
    ItemRecord record;
    ASSERT_EQ(store.readRecord(0, record), IoResult::Ok);
    EXPECT_EQ(record.line(1).path(), "/store/a.bmp");
}

TEST(FolderPlacer, KeepsTheSameFileAndRefusesToReplaceAnother) {
    TempDir dir;
    FolderPlacer placer(dir.file("pics"));
    const BundleFile logo{"media/001-logo.bmp", testing::colourBmp(16, 16)};
    const PlacedFile first = placer.place(logo);
    EXPECT_EQ(first.path, dir.file("pics/media/001-logo.bmp"));
    EXPECT_TRUE(testing::readFileBytes(first.path) == logo.bytes);

    FolderPlacer again(dir.file("pics"));
    EXPECT_EQ(again.place(logo).path, first.path);
    EXPECT_TRUE(again.created().empty()) << "the same file was already there";
    const PlacedFile other = again.place({logo.name, testing::colourBmp(8, 8)});
    EXPECT_EQ(other.path, "");
    EXPECT_EQ(other.error, first.path + ": already there with other bytes; not replaced");
    EXPECT_TRUE(testing::readFileBytes(first.path) == logo.bytes);
    EXPECT_EQ(again.place({"../escape.bmp", {}}).path, "");

    // Taken away with the folders it made; a folder that was there, or that holds more, stays.
    std::filesystem::create_directories(dir.file("pics/kept"));
    const PlacedFile deep = placer.place({"more/deeper/002-logo.bmp", logo.bytes});
    ASSERT_EQ(deep.error, "");
    placer.removeCreated();
    EXPECT_FALSE(std::filesystem::exists(first.path));
    EXPECT_FALSE(std::filesystem::exists(dir.file("pics/media")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("pics/more")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("pics/kept")));
}

TEST(ContentPlacer, StoresEachFileOnceUnderItsHash) {
    EXPECT_EQ(sha256Hex(textBytes("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    TempDir dir;
    const ContentPlacer placer(dir.file("content"));
    const PlacedFile a = placer.place({"media/001-logo.BMP", textBytes("abc")});
    const PlacedFile b = placer.place({"media/007-copy.bmp", textBytes("abc")});
    EXPECT_EQ(a.path,
              dir.file("content/ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad.bmp"));
    EXPECT_EQ(b.path, a.path);
    EXPECT_EQ(testing::readFileText(a.path), "abc");
    EXPECT_THAT(placer.place({"notes", textBytes("abc")}).path, ::testing::EndsWith("15ad"));
}

}  // namespace
}  // namespace orb
