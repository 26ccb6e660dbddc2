// A sign's frames as server-sent events: each event is the frame the frame route gives for its
// time, only changed frames are sent, the number of streams is bounded and a stream ends with its
// session or its sign.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <map>
#include <thread>

#include "image/ItemStore.h"
#include "service/core/SignFrames.h"
#include "service/http/tests/ApiFixture.h"
#include "testsupport/TestFonts.h"

namespace orb {
namespace {

using testing::Reply;

// The events of a stream as they arrive, "event: frame" ones parsed.
struct EventReader {
    std::string pending;
    std::vector<nlohmann::json> frames;
    std::atomic<int> seen{0};  // events and comments, looked at by other threads

    void feed(const char* bytes, size_t length) {
        pending.append(bytes, length);
        for (size_t end; (end = pending.find("\n\n")) != std::string::npos; pending.erase(0, end + 2)) {
            const std::string event = pending.substr(0, end + 1);
            ++seen;
            const size_t data = event.find("\ndata: ");
            if (event.find("event: frame\n") != std::string::npos && data != std::string::npos)
                frames.push_back(nlohmann::json::parse(event.substr(data + 7), nullptr, false));
        }
    }
};

class FrameStreamTest : public testing::ApiFixture {
  protected:
    void SetUp() override {
        api::ApiOptions options;
        options.frameStreams.maxStreams = 2;
        options.frameStreams.maxSigns = 3;
        options.frameStreams.keepAliveMs = 300;
        options.frameStreams.signCheckMs = 200;
        start(options);
        testing::writeTestFonts(fontsDir.path().string());
        std::string failed;
        ASSERT_TRUE(fonts.loadFonts(fontsDir.path().string(), failed)) << failed;
        frames = std::make_unique<SignFrames>(store, clock, fonts);
        net->frames = frames.get();
    }
    void TearDown() override {
        stopServer();
        net->frames = nullptr;
    }

    // A sign holding the example program since PLAYED_MS ago.
    int64_t playingSign(const std::string& name, int64_t playedMs = 3'000) {
        std::ifstream in(EXAMPLE_PROJECT, std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        ItemStore items;
        EXPECT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, items), IoResult::Ok);
        const int64_t program = addProgram(name, std::move(bytes), items.itemCount());
        const int64_t id = addSign(name);
        const std::string since = toIsoText(fromMillis(clock.nowMillis() - playedMs));
        EXPECT_EQ(
            store.signs.recordHolding(id, {SignHolding::Program, program, 1, since, since}, net->actor("x")),
            DbStatus::Ok);
        return id;
    }

    // Reads the stream of sign ID as TOKEN until STOP says so or it ends; its status.
    int readStream(int64_t id, const std::string& token, EventReader& events,
                   const std::function<bool()>& stop) {
        return readPath("/api/v1/signs/" + std::to_string(id) + "/frames", token, events, stop);
    }
    int readPath(const std::string& path, const std::string& token, EventReader& events,
                 const std::function<bool()>& stop) {
        httplib::Client client("127.0.0.1", server->port());
        client.set_read_timeout(10, 0);
        int status = 0;
        const auto result = client.Get(
            path, {{"Authorization", "Bearer " + token}},
            [&](const httplib::Response& res) {
                status = res.status;
                return true;
            },
            [&](const char* data, size_t length) {
                events.feed(data, length);
                return !stop();
            });
        return result ? result->status : status;  // the status of a stream cancelled here
    }

    // Waits until EVENTS has seen something; false after ten seconds.
    static bool seenSome(const EventReader& events) {
        for (int i = 0; i < 500 && events.seen == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return events.seen > 0;
    }

    testing::TempDir fontsDir;
    SignFonts fonts;
    std::unique_ptr<SignFrames> frames;
};

TEST_F(FrameStreamTest, EachEventIsTheFrameOfItsTimeAndOnlyChangesAreSent) {
    const int64_t id = playingSign("front");
    EventReader events;
    EXPECT_EQ(readStream(id, tokens["viewer"], events, [&] { return events.frames.size() >= 4; }), 200);
    ASSERT_GE(events.frames.size(), 4u);
    for (size_t i = 0; i < events.frames.size(); ++i) {
        const nlohmann::json& e = events.frames[i];
        ASSERT_TRUE(e.is_object());
        const Reply r =
            get("/api/v1/signs/" + std::to_string(id) + "/frame?at=" + e["at"].get<std::string>(), "viewer");
        ASSERT_EQ(r.status, 200) << r.body;
        EXPECT_EQ(e["rows"], r.body) << "event " << i << " at " << e["at"];
        if (i > 0) {
            EXPECT_NE(e["rows"], events.frames[i - 1]["rows"]) << "event " << i;
        }
    }
}

// One stream for the live views of a page: each event names its sign and is that sign's frame of
// its time (the two play the same program at different points, so a frame given to the wrong sign
// shows); a sign without frames sends none; the signs all streams follow are bounded.
TEST_F(FrameStreamTest, SeveralSignsShareOneStream) {
    const int64_t front = playingSign("front"), back = playingSign("back", 4'700), idle = addSign("idle");
    const std::string path = "/api/v1/frames?signs=" + std::to_string(front) + "," + std::to_string(back) +
                             "," + std::to_string(idle);
    EventReader events;
    std::map<int64_t, int> count;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    EXPECT_EQ(readPath(path, tokens["viewer"], events,
                       [&] {
                           if (std::chrono::steady_clock::now() > until) return true;
                           count.clear();
                           for (const nlohmann::json& e : events.frames) ++count[e.value("sign", int64_t{0})];
                           return count[front] >= 2 && count[back] >= 2;
                       }),
              200);
    EXPECT_EQ(count.size(), 2u);
    int distinct = 0;  // events whose frame the other sign did not show at that time
    for (const nlohmann::json& e : events.frames) {
        const auto frameOf = [&](int64_t sign) {
            return get("/api/v1/signs/" + std::to_string(sign) + "/frame?at=" + e["at"].get<std::string>(),
                       "viewer");
        };
        const int64_t sign = e["sign"];
        const Reply r = frameOf(sign);
        ASSERT_EQ(r.status, 200) << r.body;
        EXPECT_EQ(e["rows"], r.body) << sign << " at " << e["at"];
        distinct += frameOf(sign == front ? back : front).body != r.body;
    }
    EXPECT_GT(distinct, 0);
    const int64_t spare = playingSign("spare");
    EXPECT_EQ(get("/api/v1/frames?signs=" + std::to_string(front) + "," + std::to_string(back) + "," +
                      std::to_string(spare) + "," + std::to_string(idle),
                  "viewer")
                  .status,
              503);

    for (const std::string& refused :
         std::vector<std::string>{"", "1,1", "x", "1,,2", std::to_string(front) + ",-2"})
        EXPECT_EQ(get("/api/v1/frames?signs=" + refused, "viewer").status, 422) << refused;
    std::string many = "1";
    for (int i = 2; i <= 41; ++i) many += "," + std::to_string(i);
    EXPECT_EQ(get("/api/v1/frames?signs=" + many, "viewer").status, 422);
    EXPECT_EQ(get("/api/v1/frames?signs=" + std::to_string(front) + ",999", "viewer").status, 404);
    EXPECT_EQ(get("/api/v1/frames", "viewer").status, 422);
}

TEST_F(FrameStreamTest, StreamsBeyondTheLimitAreRefusedAndOneEndsWithItsSessionOrSign) {
    const int64_t id = playingSign("front");
    std::atomic<bool> stopFirst{false};
    EventReader first, second;
    int firstStatus = 0, secondStatus = 0;
    std::thread a(
        [&] { firstStatus = readStream(id, tokens["admin"], first, [&] { return stopFirst.load(); }); });
    std::thread b([&] { secondStatus = readStream(id, tokens["viewer"], second, [] { return false; }); });
    EXPECT_TRUE(seenSome(first) && seenSome(second));

    EventReader refused;
    EXPECT_EQ(readStream(id, tokens["operator"], refused, [] { return true; }), 503);
    EXPECT_NE(refused.pending.find("\"unavailable\""), std::string::npos) << refused.pending;
    EXPECT_EQ(get("/api/v1/signs/" + std::to_string(id), "operator").status, 200);  // others are served

    EXPECT_EQ(send("DELETE", "/api/v1/session", {}, "viewer").status, 204);
    b.join();  // the viewer's session ended, and with it the stream
    EXPECT_EQ(secondStatus, 200);
    EXPECT_GE(second.frames.size(), 1u);

    stopFirst = true;
    a.join();
    EXPECT_EQ(get("/api/v1/signs/999/frames", "operator").status, 404);
    // The closed streams give their places back at their next write.
    EventReader third;
    std::thread c([&] {
        for (int i = 0; i < 100 && readStream(id, tokens["operator"], third, [] { return false; }) == 503;
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    EXPECT_TRUE(seenSome(third));
    EXPECT_EQ(send("DELETE", "/api/v1/signs/" + std::to_string(id), {}, "admin").status, 204);
    c.join();  // the sign is gone, and so is its stream
}

}  // namespace
}  // namespace orb
