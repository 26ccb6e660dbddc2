#include "simulator/headless/HeadlessRun.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>

#include "cli/CommandLine.h"
#include "image/ReplaceFile.h"
#include "image/WorkingFolder.h"
#include "simulator/engine/LedText.h"
#include "simulator/engine/SignEngine.h"

namespace orb {

namespace {

constexpr const char* kNoImage = "preview.tmp파일이 없습니다\n실행할수 없습니다";
constexpr const char* kNoFonts = "폰트파일없음\n실행할수 없습니다";
// The longest run, a day of virtual time: one pass per millisecond must end.
constexpr uint64_t kMaxRunMs = 86'400'000;
constexpr uint64_t kMaxGifLimitMb = 1u << 20;

void dumpFrame(std::ostream& out, uint64_t t, const PlanePair& frame, const SignGeometry& g) {
    std::string rows;
    appendLedRows(rows, frame, g);
    out << "@ " << t << '\n' << rows << '\n';
}

// An animated GIF written as the run goes: a frame is written when the next different one
// arrives, so its delay is known; identical frames only lengthen the delay. Nothing past
// limitBytes is written: a long run of a busy sign at a large scale would otherwise fill the disk.
class GifRecorder {
  public:
    GifRecorder(const std::string& path, const SignGeometry& g, int scale, uint64_t limitBytes)
        : width_(g.pixels() * scale),
          height_(g.ledRows() * scale),
          scale_(scale),
          geometry_(g),
          limit_(limitBytes) {
        int error = 0;
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) return;
        gif_ = EGifOpen(this, &GifRecorder::output, &error);
        if (!gif_) return;
        GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}};
        ColorMapObject* map = GifMakeMapObject(4, colours);
        EGifSetGifVersion(gif_, true);
        ok_ = EGifPutScreenDesc(gif_, width_, height_, 2, 0, map) == GIF_OK;
        GifFreeMapObject(map);
        // Loop forever.
        unsigned char loop[3] = {1, 0, 0};
        ok_ = ok_ && EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
              EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_OK &&
              EGifPutExtensionBlock(gif_, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif_) == GIF_OK;
        pending_.assign(static_cast<size_t>(g.pixels() * g.ledRows()), 0);
        line_.resize(static_cast<size_t>(width_));
    }

    ~GifRecorder() {
        int error = 0;
        if (gif_) EGifCloseFile(gif_, &error);
        if (fd_ >= 0) ::close(fd_);
    }
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;

    bool ok() const { return gif_ && ok_; }
    bool pastLimit() const { return pastLimit_; }

    // Adds the frame shown for the next `hundredths` of a second.
    void add(const PlanePair& frame, uint64_t hundredths) {
        std::vector<uint8_t> leds(pending_.size());
        const PlaneView view(frame, geometry_.pixels(), geometry_.ledRows());
        for (int y = 0; y < view.rows; ++y)
            for (int x = 0; x < view.width; ++x)
                leds[static_cast<size_t>(y * view.width + x)] = static_cast<uint8_t>(view.ledAt(x, y));
        if (delay_ == 0 || leds != pending_) {
            flush();
            pending_.swap(leds);
        }
        // A GIF delay has 16 bits: a longer still frame is written in parts.
        while (hundredths > 0) {
            if (delay_ == kLongestDelay) flush();
            const uint64_t take =
                std::min<uint64_t>(hundredths, kLongestDelay - static_cast<uint64_t>(delay_));
            delay_ += static_cast<int>(take);
            hundredths -= take;
        }
    }

    bool finish() {
        flush();
        int error = 0;
        const bool closed = EGifCloseFile(gif_, &error) == GIF_OK;
        gif_ = nullptr;
        const bool synced = ::close(fd_) == 0;
        fd_ = -1;
        return ok_ && closed && synced;
    }

  private:
    static int output(GifFileType* gif, const GifByteType* bytes, int n) {
        auto* self = static_cast<GifRecorder*>(gif->UserData);
        if (n < 0 || self->written_ + static_cast<uint64_t>(n) > self->limit_) {
            self->pastLimit_ = true;
            return 0;
        }
        for (int done = 0; done < n;) {
            const ssize_t w = ::write(self->fd_, bytes + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return done;
            done += static_cast<int>(w);
        }
        self->written_ += static_cast<uint64_t>(n);
        return n;
    }

    void flush() {
        if (delay_ == 0) return;
        if (!ok_) {
            delay_ = 0;
            return;
        }
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, delay_, NO_TRANSPARENT_COLOR};
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        ok_ = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK &&
              EGifPutImageDesc(gif_, 0, 0, width_, height_, false, nullptr) == GIF_OK;
        for (int y = 0; ok_ && y < height_; ++y) {
            const uint8_t* leds = &pending_[static_cast<size_t>((y / scale_) * geometry_.pixels())];
            for (int x = 0; x < width_; ++x) line_[static_cast<size_t>(x)] = leds[x / scale_];
            ok_ = EGifPutLine(gif_, line_.data(), width_) == GIF_OK;
        }
        delay_ = 0;
    }

    GifFileType* gif_ = nullptr;
    bool ok_ = false;
    int width_, height_, scale_;
    SignGeometry geometry_;
    std::vector<uint8_t> pending_;
    std::vector<GifPixelType> line_;
    int delay_ = 0;
    int fd_ = -1;
    uint64_t limit_, written_ = 0;
    bool pastLimit_ = false;
    static constexpr int kLongestDelay = 65534;
};

struct EnginePlayer : HeadlessPlayer {
    EnginePlayer(const ImageSource& image, const SignFonts& fonts)
        : engine(std::make_unique<SignEngine>(image, fonts)) {}
    void pass(uint64_t nowMs, const LocalDateTime& now) override { engine->pass(nowMs, now); }
    uint64_t nextDeadline() const override { return engine->nextDeadline(); }
    const PlanePair& frame() const override { return engine->frontFrame(); }
    const SignGeometry& geometry() const override { return engine->geometry(); }
    std::unique_ptr<SignEngine> engine;
};

}  // namespace

std::string defaultFontFolder() {
    if (const char* env = std::getenv("ORB_FONTS"); env && *env) return env;
    const std::filesystem::path beside = std::filesystem::path(executableFolder()) / "font";
    if (std::filesystem::is_directory(beside)) return beside.string();
    return (std::filesystem::path(installedDataFolder(executableFolder())) / "font").string();
}

CLI::Option_group* addHeadlessOptions(CLI::App& app, HeadlessOptions& o) {
    o.now = currentLocalTime();
    CLI::Option_group* g = app.add_option_group("Headless", "with --headless");
    g->add_option("--image", o.image, "the display program image to play")->type_name("FILE");
    g->add_option("--fonts", o.fonts, "the font folder (the usual places when not given)")
        ->type_name("FOLDER");
    addNumber(*g, "--until", o.until, 0, kMaxRunMs, "play this long, in milliseconds")->type_name("MS");
    g->add_option_function<std::string>(
         "--now",
         [&o](const std::string& text) {
             if (!parseLocalDateTime(text, o.now))
                 throw CLI::ValidationError("--now needs \"YYYY-MM-DD HH:MM:SS\"");
         },
         "the local time at virtual time 0 (now when not given)")
        ->type_name("\"YYYY-MM-DD HH:MM:SS\"");
    g->add_option("--dump", o.dump, "write the frames of --at as text (\"-\": stdout)")->type_name("FILE");
    g->add_option_function<std::vector<std::string>>(
         "--at",
         [&o](const std::vector<std::string>& given) {
             for (const std::string& v : given)
                 for (size_t start = 0; start <= v.size();) {
                     const size_t comma = std::min(v.find(',', start), v.size());
                     const auto ms =
                         parseDecimal(std::string_view(v).substr(start, comma - start), 0, kMaxRunMs);
                     if (!ms)
                         throw CLI::ValidationError(rangeMessage("--at", 0, kMaxRunMs) +
                                                    " (milliseconds, separated by commas)");
                     o.at.push_back(*ms);
                     start = comma + 1;
                 }
         },
         "the frames to dump, in milliseconds separated by commas")
        ->type_name("MS,...")
        ->allow_extra_args(false);
    g->add_flag("--every-ms", o.everyMs, "a pass at every millisecond, not only when a line is due");
    g->add_option("--gif", o.gif, "write the whole run as an animated GIF")->type_name("FILE");
    addNumber(*g, "--scale", o.scale, 1, 16, "screen pixels per LED in the GIF");
    addNumber(*g, "--gif-limit", o.gifLimitMb, 1, kMaxGifLimitMb,
              "stop and remove the GIF when it would grow past MB megabytes")
        ->type_name("MB");
    return g;
}

std::string headlessProblem(const CLI::Option_group& group, const HeadlessOptions& o, bool needImage) {
    if (group.get_option_no_throw("--until")->count() == 0 || (needImage && o.image.empty()))
        return needImage ? "--image and --until are needed" : "--until is needed";
    if (o.dump.empty() == o.gif.empty()) return "give either --dump with --at, or --gif";
    if (!o.dump.empty() && o.at.empty()) return "--dump needs --at";
    return {};
}

bool loadHeadlessFonts(const HeadlessOptions& o, SignFonts& fonts) {
    std::string failed;
    if (fonts.loadFonts(o.fonts.empty() ? defaultFontFolder() : o.fonts, failed)) return true;
    std::cerr << fonts.failureMessage(failed) << '\n' << kNoFonts << '\n';
    return false;
}

int runHeadless(const HeadlessOptions& o) {
    auto image = FileImageSource::open(o.image);
    if (!image) {
        std::cerr << kNoImage << '\n';
        return 1;
    }
    SignFonts fonts;
    if (!loadHeadlessFonts(o, fonts)) return 1;
    EnginePlayer player(*image, fonts);
    player.engine->start(0, o.now);
    return playHeadless(o, player);
}

int playHeadless(const HeadlessOptions& o, HeadlessPlayer& player) {
    // Written like every other file: never into a device, a FIFO or a read-only file.
    for (const std::string& out : {o.dump == "-" ? std::string() : o.dump, o.gif})
        if (!out.empty() && checkReplaceable(out) != IoResult::Ok) {
            std::cerr << "Glimmer: " << out << ": " << toText(IoResult::NotReplaceable) << '\n';
            return 1;
        }
    std::ofstream dumpFile;
    std::ostream* dump = nullptr;
    if (!o.dump.empty()) {
        if (o.dump == "-") {
            dump = &std::cout;
        } else {
            dumpFile.open(o.dump, std::ios::trunc);
            dump = &dumpFile;
        }
    }
    std::unique_ptr<GifRecorder> gif;
    if (!o.gif.empty())
        gif = std::make_unique<GifRecorder>(o.gif, player.geometry(), o.scale, o.gifLimitMb << 20);
    if ((dump && !*dump) || (gif && !gif->ok())) {
        std::cerr << "Glimmer: cannot write " << (dump ? o.dump : o.gif) << '\n';
        return 1;
    }

    // Between two passes nothing moves, so the frame after a pass stands for every millisecond up
    // to the next one: dumps and GIF samples (the window repaints every 10 ms) are taken from it.
    const std::set<uint64_t> at(o.at.begin(), o.at.end());
    auto nextAt = at.begin();
    uint64_t nextSample = 0;
    auto record = [&](uint64_t upTo) {
        for (; dump && nextAt != at.end() && *nextAt <= upTo; ++nextAt)
            dumpFrame(*dump, *nextAt, player.frame(), player.geometry());
        if (!gif || nextSample > upTo) return;
        const uint64_t samples = (upTo - nextSample) / 10 + 1;
        gif->add(player.frame(), samples);
        nextSample += samples * 10;
    };
    for (uint64_t t = 0; t <= o.until && !(gif && gif->pastLimit());) {
        player.pass(t, advance(o.now, t));
        const uint64_t next = o.everyMs ? t + 1 : std::max(t + 1, player.nextDeadline());
        record(std::min(next - 1, o.until));
        t = next;
    }
    const bool finished = !gif || gif->finish();
    if (gif && gif->pastLimit()) {
        ::unlink(o.gif.c_str());  // a regular file: checked before it was opened
        std::cerr << "Glimmer: the GIF would grow past " << o.gifLimitMb << " MB (--gif-limit); " << o.gif
                  << " is not written\n";
        return 1;
    }
    if (!finished) {
        std::cerr << "Glimmer: cannot write " << o.gif << '\n';
        return 1;
    }
    if (dump) dump->flush();
    if (dump && !*dump) {
        std::cerr << "Glimmer: cannot write " << o.dump << '\n';
        return 1;
    }
    return 0;
}

}  // namespace orb
