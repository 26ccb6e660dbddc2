// Runs the Glimmer program in its headless mode, as a script would.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSign.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/Fifo.h"

namespace orb {
namespace {

using testing::Outcome;

Outcome glimmer(const std::string& args) {
    return testing::runCommand(std::string(GLIMMER_PATH) + " --headless " + args);
}

// The image file holds only the bytes up to the last content sector used: a short file plays too.
std::string writeImage(const testing::TempDir& dir, const testing::TestImage& image, size_t bytes) {
    const std::string path = dir.file("preview.tmp");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.bytes.data()), static_cast<std::streamsize>(bytes));
    return path;
}

class GlimmerHeadless : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeTestFonts(fonts.path().string());
        testing::TestImage image;
        image.header(5, 1, 1);
        ItemHeader h = testing::itemHeader(LayoutCode::OneLine, {1, 0, 0},
                                           {ContentKind::Sentence, ContentKind::None, ContentKind::None});
        h.setEffects(1, {1, 0, 0, 0, 0, 0, 0});  // passes through from the right edge
        image.item(0, h);
        image.text(5120, "#", 0x0040);  // a green block
        imagePath = writeImage(dir, image, 5123 * 512);
    }
    std::string common() const { return "--image " + imagePath + " --fonts " + fonts.path().string() + " "; }

    testing::TempDir dir, fonts;
    std::string imagePath;
};

TEST_F(GlimmerHeadless, DumpsTheFramesAtTheGivenTimes) {
    const Outcome r = glimmer(common() + "--until 200 --now \"2026-12-06 14:05:00\" --dump - --at 0,200");
    ASSERT_EQ(r.status, 0) << r.output;
    std::istringstream lines(r.output);
    std::string line;
    std::vector<std::string> rows;
    while (std::getline(lines, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 2u * (1 + 16 + 1));
    EXPECT_EQ(rows[0], "@ 0");
    EXPECT_EQ(rows[18], "@ 200");
    EXPECT_EQ(rows[17], "");
    EXPECT_EQ(rows[1].size(), 80u);  // a 5-module sign
    // At 0 ms the block has just begun to enter at the right edge; by 200 ms it moved on.
    EXPECT_EQ(rows[1], std::string(79, '.') + "G");
    const size_t first = rows[19].find('G');
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, 79u);
    EXPECT_EQ(rows[19].find_first_not_of(".G"), std::string::npos);
}

TEST_F(GlimmerHeadless, WritesAnAnimatedGif) {
    const std::string gifPath = dir.file("run.gif");
    const Outcome r = glimmer(common() + "--until 1000 --gif " + gifPath + " --scale 3");
    ASSERT_EQ(r.status, 0) << r.output;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(gifPath.c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, 80 * 3);
    EXPECT_EQ(gif->SHeight, 16 * 3);
    EXPECT_GT(gif->ImageCount, 20);  // the block moves a pixel every tick
    DGifCloseFile(gif, &error);
}

// A day of a sign that changes every tick, at the largest scale, would be tens of GB of GIF.
TEST_F(GlimmerHeadless, AGifPastItsLimitIsStoppedAndRemovedAndNoSpecialFileIsWritten) {
    const std::string gifPath = dir.file("day.gif");
    Outcome r = glimmer(common() + "--until 86400000 --scale 16 --gif " + gifPath + " --gif-limit 1");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(r.output,
              "Glimmer: the GIF would grow past 1 MB (--gif-limit); " + gifPath + " is not written\n");
    EXPECT_FALSE(std::filesystem::exists(gifPath));

    const testing::Fifo fifo(dir.file("fifo"));
    for (const std::string& out : {"--gif " + fifo.path(), "--dump " + fifo.path() + " --at 0"}) {
        r = testing::runCommand("timeout 20 " + std::string(GLIMMER_PATH) + " --headless " + common() +
                                "--until 10 " + out);
        EXPECT_EQ(r.status, 1) << out;
        EXPECT_EQ(r.output, "Glimmer: " + fifo.path() + ": not a writable regular file\n") << out;
    }
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Jumping from deadline to deadline gives the GIF of a pass at every millisecond, byte for byte,
// and a dump at a time between two passes shows the frame of the pass before it.
TEST_F(GlimmerHeadless, JumpingToDeadlinesChangesNoFrame) {
    const std::string jumped = dir.file("jumped.gif"), every = dir.file("every.gif");
    ASSERT_EQ(glimmer(common() + "--until 3000 --gif " + jumped).status, 0);
    ASSERT_EQ(glimmer(common() + "--until 3000 --every-ms --gif " + every).status, 0);
    const std::string a = fileBytes(jumped);
    EXPECT_GT(a.size(), 1000u);
    EXPECT_EQ(a, fileBytes(every));

    const std::string times = "--until 1000 --dump - --at 0,1,7,13,500,999,1000";
    const Outcome j = glimmer(common() + times), e = glimmer(common() + "--every-ms " + times);
    ASSERT_EQ(j.status, 0);
    EXPECT_EQ(j.output, e.output);
    EXPECT_NE(j.output.find("@ 999"), std::string::npos);
}

TEST_F(GlimmerHeadless, MissingFilesAndBadOptions) {
    Outcome r = glimmer("--image " + dir.file("none.tmp") + " --fonts " + fonts.path().string() +
                        " --until 10 --dump - --at 0");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("preview.tmp파일이 없습니다"), std::string::npos);

    r = glimmer("--image " + imagePath + " --fonts " + dir.file("nofonts") + " --until 10 --dump - --at 0");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("한글굴림체16 OPEN실패"), std::string::npos);
    EXPECT_NE(r.output.find("폰트파일없음"), std::string::npos);

    EXPECT_EQ(glimmer(common() + "--until 10").status, 2);
    EXPECT_EQ(glimmer(common() + "--until 10 --dump - --at x").status, 2);
    EXPECT_EQ(glimmer(common() + "--until 10 --gif a.gif --dump - --at 1").status, 2);
}

TEST_F(GlimmerHeadless, OnlyRegularFilesArePlayed) {
    EXPECT_EQ(FileImageSource::open(dir.path().string()), nullptr);
    EXPECT_EQ(FileImageSource::open("/dev/zero"), nullptr);
    const testing::Fifo fifo(dir.file("fifo.tmp"));
    ASSERT_TRUE(fifo.made());
    EXPECT_EQ(fifo.returnsAtOnce([](const std::string& p) { return FileImageSource::open(p) != nullptr; }),
              false);

    for (const std::string& image : {dir.path().string(), std::string("/dev/zero"), fifo.path()}) {
        const Outcome r =
            testing::runCommand("timeout 20 " + std::string(GLIMMER_PATH) + " --headless --image " + image +
                                " --fonts " + fonts.path().string() + " --until 10 --dump - --at 0");
        EXPECT_EQ(r.status, 1) << image;
        EXPECT_NE(r.output.find("preview.tmp파일이 없습니다"), std::string::npos) << image;
    }
    // A font file that is a FIFO is refused too, at once.
    std::filesystem::remove(fonts.path() / "한문32.fnt");
    const testing::Fifo font((fonts.path() / "한문32.fnt").string());
    const Outcome r = testing::runCommand("timeout 20 " + std::string(GLIMMER_PATH) + " --headless " +
                                          common() + "--until 10 --dump - --at 0");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("한문32 OPEN실패"), std::string::npos) << r.output;
}

TEST_F(GlimmerHeadless, OutOfRangeNumbersAreUsageErrors) {
    const std::pair<std::string, std::string> refused[] = {
        {"--until 18446744073709551615 --dump - --at 0", "--until needs a number from 0 to 86400000"},
        {"--until 99999999999999999999999 --dump - --at 0", "--until needs a number"},
        {"--until 86400001 --dump - --at 0", "--until needs a number"},
        {"--until 10 --dump - --at 5,18446744073709551616", "--at needs a number"},
        {"--until 10 --dump - --at 5,,6", "--at needs a number"},
        {"--until 10 --gif x.gif --scale 4294967297", "--scale needs a number from 1 to 16"},
        {"--until 10 --gif x.gif --scale 0", "--scale needs a number from 1 to 16"},
        {"--until 10 --gif x.gif --scale -1", "--scale needs a number from 1 to 16"},
    };
    for (const auto& [options, message] : refused) {
        const Outcome r = testing::runCommand("timeout 20 " + std::string(GLIMMER_PATH) + " --headless " +
                                              common() + options);
        EXPECT_EQ(r.status, 2) << options << ": " << r.output;
        EXPECT_NE(r.output.find(message), std::string::npos) << options << ": " << r.output;
    }
    EXPECT_EQ(glimmer(common() + "--until 86400000 --dump - --at 86400001").status, 2);
}

}  // namespace
}  // namespace orb

namespace orb {
namespace {

Outcome glimmerAlone(const std::string& args) {
    return testing::runCommand("timeout 20 " + std::string(GLIMMER_PATH) + " " + args);
}

TEST(GlimmerCommandLine, HelpEndsWithZeroAndNamesTheOptionsOfBothModes) {
    const Outcome r = glimmerAlone("--help");
    EXPECT_EQ(r.status, 0) << r.output;
    for (const char* name : {"IMAGE", "--zoom", "1..8", "--headless", "--image", "--fonts", "--until",
                             "--now", "--dump", "--at", "--every-ms", "--gif", "--scale", "--sign",
                             "--memory", "--wait-apply"})
        EXPECT_NE(r.output.find(name), std::string::npos) << name << ": " << r.output;
}

TEST(GlimmerCommandLine, UsageErrorsEndWithTwoBeforeAnyWindowOpens) {
    const std::pair<std::string, std::string> refused[] = {
        {"--zoom 9", "--zoom needs a number from 1 to 8"},
        {"--zoom x preview.tmp", "--zoom needs a number from 1 to 8"},
        {"--frobnicate", "not expected: --frobnicate"},
        {"a.tmp b.tmp", "not expected: b.tmp"},
        {"--gif a.gif", "need --headless"},
        {"--headless a.tmp --until 1 --gif a.gif", "--headless takes --image"},
        {"--headless --image a.tmp --until 1 --gif a.gif --now yesterday",
         "--now needs \"YYYY-MM-DD HH:MM:SS\""},
        {"--headless --image a.tmp --until 1 --dump - --at 1 --at x", "--at needs a number"},
        // The virtual sign's options.
        {"--sign udp:127.0.0.1:5000", "--sign needs tcp:HOST:PORT or pty:PATH"},
        {"--memory sign.mem a.tmp", "--memory, --idle-timeout and --wait-apply need --sign"},
        {"--sign tcp:127.0.0.1:0 a.tmp", "no IMAGE or --image with --sign"},
        {"--sign tcp:127.0.0.1:0 --headless --image a.tmp --until 1 --gif a.gif", "no IMAGE or --image"},
        {"--sign tcp:127.0.0.1:0 --headless --gif a.gif", "--until is needed"},
        {"--sign tcp:127.0.0.1:0 --headless --zoom 3 --until 1 --gif a.gif", "IMAGE and --zoom are the window's"},
        {"--sign tcp:127.0.0.1:0 --until 1 --gif a.gif", "need --headless"},
        {"--sign tcp:127.0.0.1:0 --wait-apply 1001 --headless --until 1 --gif a.gif",
         "--wait-apply needs a number from 0 to 1000"},
    };
    for (const auto& [options, message] : refused) {
        const Outcome r = glimmerAlone(options);
        EXPECT_EQ(r.status, 2) << options << ": " << r.output;
        EXPECT_EQ(r.output.rfind("Glimmer: ", 0), 0u) << options << ": " << r.output;
        EXPECT_NE(r.output.find(message), std::string::npos) << options << ": " << r.output;
    }
}

}  // namespace
}  // namespace orb
