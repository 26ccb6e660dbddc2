#pragma once
// A service store in a scratch folder, on a testing clock.
#include <gtest/gtest.h>

#include "service/core/ServiceStore.h"
#include "testsupport/TempDir.h"

namespace orb::testing {

class StoreFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(store.open(dir.file("data"), clock, error)) << error;
    }
    Actor actor(const std::string& user = "admin") const { return {user, toIsoText(clock.now())}; }

    // A sign named NAME in GROUPS; its id.
    int64_t addSign(const std::string& name, std::vector<std::string> groups = {}) {
        int64_t id = 0;
        SignInput in;
        in.name = name;
        in.link = "tcp:127.0.0.1:9000";
        in.groups = std::move(groups);
        EXPECT_EQ(store.signs.create(in, actor(), id), DbStatus::Ok);
        return id;
    }
    // A program of no items; its id.
    int64_t addProgram(const std::string& name, std::vector<ProgramFile> files = {}) {
        int64_t id = 0;
        ProgramVersionInput in{"{}", std::vector<uint8_t>(16, 0), 0, std::move(files)};
        EXPECT_EQ(store.programs.add(name, in, actor(), id), DbStatus::Ok);
        return id;
    }

    TempDir dir;
    ServiceClock clock{LocalTimestamp{{2025, 3, 1, 9, 0, 0}, 0}, 1};
    ServiceStore store;
};

}  // namespace orb::testing
