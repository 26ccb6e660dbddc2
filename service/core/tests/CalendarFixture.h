#pragma once
// A sign network whose calendar scheduler the test ticks on the testing clock: programs of plain
// sentences, the clock moved to a local time, ticks settled with their jobs, and what a sign's
// memory should hold for a day (compiled independently of the scheduler's own store).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "editor/core/ProgramWriter.h"
#include "image/ProgramImage.h"
#include "service/calendar/PlanResolver.h"
#include "service/core/CalendarScheduler.h"
#include "service/core/JobCoordinator.h"
#include "service/core/NetworkCalendar.h"
#include "service/core/tests/StoreFixture.h"
#include "testsupport/ItemBuilder.h"

namespace orb::testing {

// A one-line sentence shown at once, without effects.
inline ItemRecord sentence(const std::string& text) {
    return ItemBuilder(LayoutCode::OneLine, {1, 0, 0})
        .kind(1, ContentKind::Sentence)
        .text(1, text, 0x0040)
        .item;
}

inline std::vector<uint8_t> bytesOf(const ItemStore& store) {
    std::vector<uint8_t> bytes(ItemStore::kFileSize);
    EXPECT_EQ(store.readAll(std::span<uint8_t, ItemStore::kFileSize>(bytes.data(), ItemStore::kFileSize)),
              IoResult::Ok);
    return bytes;
}

class CalendarFixture : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        ASSERT_TRUE(Auth::initialise());
        auth = std::make_unique<Auth>(store.users, store.audit, clock, fastAuthSettingsForTests());
        net = std::make_unique<SignNetwork>(store, *auth, clock);
        settings.tries = 2;
        settings.firstRetryMs = 20;
        settings.maxRetryMs = 100;
        settings.checkSeconds = 1;  // an unreachable sign is noticed, and its return
        settings.holdingCheckSeconds = 7200;
    }
    void TearDown() override {
        scheduler.reset();
        jobs.reset();
    }

    void start() {
        jobs = std::make_unique<JobCoordinator>(*net, settings);
        jobs->start();
        scheduler = std::make_unique<CalendarScheduler>(*net, settings);
    }

    // A sign answering on loopback PORT in GROUPS; its id.
    int64_t addSign(uint16_t port, const std::string& name, std::vector<std::string> groups) {
        SignInput in;
        in.name = name;
        in.link = "tcp:127.0.0.1:" + std::to_string(port);
        in.groups = std::move(groups);
        int64_t id = 0;
        EXPECT_TRUE(net->createSign(in, actor(), id).ok());
        return id;
    }

    int64_t addProgram(const std::string& name, const std::vector<ItemRecord>& items) {
        ItemStore s;
        for (size_t i = 0; i < items.size(); ++i) s.writeRecord(static_cast<int>(i), items[i]);
        ProgramVersionInput in{"{}", bytesOf(s), static_cast<int>(items.size()), {}};
        int64_t id = 0;
        EXPECT_EQ(store.programs.add(name, in, actor(), id), DbStatus::Ok);
        return id;
    }

    void setClock(const CalendarDate& d, int hour, int minute, int second = 30) {
        const LocalTimestamp to{{d.year, d.month, d.day, hour, minute, second}, 0};
        clock.advance(toMillis(to) - clock.nowMillis());
    }

    // Waits until no job is queued or running (a test fails rather than hangs).
    void waitForJobs() {
        for (int i = 0; i < 3000; ++i) {
            std::vector<JobRecord> open;
            if (store.jobs.unfinished(open) == DbStatus::Ok && open.empty()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ADD_FAILURE() << "jobs did not finish";
    }

    // Ticks, each tick's jobs finished before the next, until a tick makes none; the jobs made.
    int settle() {
        int made = 0;
        for (int i = 0; i < 20; ++i) {
            const int n = scheduler->tick();
            if (n == 0) break;
            waitForJobs();
            made += n;
        }
        return made;
    }

    int jobCount(JobAction action) {
        std::vector<JobRecord> all;
        JobFilter filter;
        filter.limit = 1000;
        EXPECT_EQ(store.jobs.list(filter, all), DbStatus::Ok);
        return static_cast<int>(std::count_if(all.begin(), all.end(), [action](const JobRecord& j) {
            return j.action == action && j.createdBy == "orbd";
        }));
    }

    SignRecord sign(int64_t id) {
        SignRecord r;
        EXPECT_EQ(store.signs.get(id, r), DbStatus::Ok);
        return r;
    }

    void waitForState(int64_t id, SignState state) {
        for (int i = 0; i < 1000 && sign(id).state != state; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(sign(id).state, state);
    }

    // The latest version of program P, kept.
    const ItemStore* programStore(ProgramId p) {
        if (!programs_.contains(p)) {
            ProgramVersionRecord v;
            if (store.programs.version(p, 0, v) != DbStatus::Ok) return nullptr;
            programs_[p].writeAll(
                std::span<const uint8_t, ItemStore::kFileSize>(v.store.data(), ItemStore::kFileSize));
        }
        return &programs_[p];
    }

    // Sign ID's plan of DAY, its takeovers over the calendar unless left out.
    DayPlan dayPlan(int64_t id, const CalendarDate& day, bool withTakeovers = true) {
        std::vector<DayPlan> plan;
        EXPECT_TRUE(NetworkCalendar(store).planOf(id, day, day, plan, withTakeovers).ok());
        return plan.empty() ? DayPlan{} : plan.front();
    }

    // The day compiled as the calendar says (a takeover is pushed on its own), independently of
    // the scheduler's own store.
    CompiledDay compiledDay(int64_t id, const CalendarDate& day) {
        const SignRecord r = sign(id);
        return compileDay(dayPlan(id, day, false), [this](ProgramId p) { return programStore(p); },
                          {static_cast<uint8_t>(r.width), static_cast<uint8_t>(r.height)});
    }

    // Where MEMORY differs from what the program writer lays out for STORE on a sign of 6 x 1
    // modules; "" when it does not.
    static std::string memoryDiffers(const ProgramImage& memory, const ItemStore& store, int itemCount) {
        ProgramPlan plan;
        if (planProgram(store, itemCount, 6, 1, plan).result != PlanResult::Ok) return "no plan";
        std::string problem;
        for (const ProgramWrite& w : plan.writes) {
            // The transfer writes only the count of the image header.
            const uint64_t skip = w.kind == ProgramWrite::Kind::ImageHeader ? 2 : 0;
            std::vector<uint8_t> got(w.bytes.size() - skip);
            if (memory.read(w.address + skip, got) != IoResult::Ok ||
                !std::equal(got.begin(), got.end(), w.bytes.begin() + static_cast<std::ptrdiff_t>(skip)))
                problem += "differs at " + std::to_string(w.address) + "\n";
        }
        return problem;
    }

    // Whether sign ID is recorded as holding DAY's compiled program and MEMORY holds it; "" when so.
    std::string holdsDay(const ProgramImage& memory, int64_t id, const CompiledDay& day) {
        if (day.fallback) return "the day does not fit";
        const SignRecord r = sign(id);
        if (r.holding.kind != SignHolding::Program) return "no program recorded";
        const auto [held, added] = versions_.try_emplace({r.holding.program, r.holding.version});
        if (added) {
            ProgramVersionRecord v;
            if (store.programs.version(r.holding.program, r.holding.version, v) != DbStatus::Ok) {
                versions_.erase(held);
                return "no version";
            }
            held->second = std::move(v.store);
        }
        if (held->second != bytesOf(day.store)) return "another program recorded";
        return memoryDiffers(memory, day.store, static_cast<int>(day.items.size()));
    }

    std::unique_ptr<Auth> auth;
    std::unique_ptr<SignNetwork> net;
    ServiceSettings settings;
    std::unique_ptr<JobCoordinator> jobs;
    std::unique_ptr<CalendarScheduler> scheduler;

  private:
    std::map<ProgramId, ItemStore> programs_;
    std::map<std::pair<int64_t, int>, std::vector<uint8_t>> versions_;  // stored versions never change
};

}  // namespace orb::testing
