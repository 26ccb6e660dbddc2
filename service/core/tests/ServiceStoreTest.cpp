// Opening the data folder and its database: created when missing, migrated from any older
// version, and refused (untouched) when corrupt, read-only, newer, locked or someone else's.
#include "service/core/ServiceStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "service/core/Schema.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

const ServiceClock kClock(LocalTimestamp{{2025, 3, 1, 9, 0, 0}, 0}, 1);

// A table's names in the file, read with SQLite directly.
std::string sqliteText(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + " ";
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

TEST(ServiceStore, CreatesAMissingFolderForItsOwnerOnlyWithTheLatestSchema) {
    TempDir dir;
    const std::string folder = dir.file("a/b/orbd");
    std::string error;
    {
        ServiceStore store;
        ASSERT_TRUE(store.open(folder, kClock, error)) << error;
        EXPECT_EQ(store.db.userVersion(), schemaVersion());
        EXPECT_TRUE(fs::is_directory(folder + "/content"));
    }
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(sqliteText(folder + "/orbd.db", "PRAGMA journal_mode"), "wal ");
    EXPECT_EQ(sqliteText(folder + "/orbd.db", "SELECT action FROM audit"), "orbd.start ");
    // A second start finds everything as it was and migrates nothing.
    ServiceStore again;
    ASSERT_TRUE(again.open(folder, kClock, error)) << error;
    EXPECT_EQ(sqliteText(folder + "/orbd.db", "SELECT count(*) FROM audit"), "2 ");
}

TEST(ServiceStore, MigratesAnEmptyDatabaseStepByStepAndRefusesANewerOne) {
    TempDir dir;
    Database db;
    ASSERT_TRUE(db.open(dir.file("orbd.db")).ok);
    EXPECT_EQ(db.userVersion(), 0);
    std::string error;
    ASSERT_TRUE(migrateSchemaTo(db, 1, error)) << error;
    EXPECT_EQ(db.userVersion(), 1);
    ASSERT_TRUE(migrateSchema(db, error)) << error;
    EXPECT_EQ(db.userVersion(), schemaVersion());
    ASSERT_EQ(db.setUserVersion(schemaVersion() + 1), DbStatus::Ok);
    EXPECT_FALSE(migrateSchema(db, error));
    EXPECT_NE(error.find("orbd.db: schema version"), std::string::npos) << error;
    EXPECT_EQ(db.userVersion(), schemaVersion() + 1);
}

TEST(ServiceStore, JobsAndTheirSignsOutliveTheRebuildThatFreesTheirActions) {
    TempDir dir;
    Database db;
    ASSERT_TRUE(db.open(dir.file("orbd.db")).ok);
    std::string error;
    ASSERT_TRUE(migrateSchemaTo(db, 2, error)) << error;
    ASSERT_EQ(db.exec("INSERT INTO signs VALUES (1, 's', 'tcp:127.0.0.1:1', 'm', 6, 1, '', '', 't');"
                      "INSERT INTO jobs (id, action, target, state, created_by, created)"
                      " VALUES (7, 'clock', 'signs 1', 'done', 'a', 't');"
                      "INSERT INTO job_signs (job_id, sign_id, state, message) VALUES (7, 1, 'done', 'ok')"),
              DbStatus::Ok);
    EXPECT_NE(db.exec("INSERT INTO jobs (action, target, state, created_by, created)"
                      " VALUES ('pull', '', 'queued', 'a', 't')"),
              DbStatus::Ok);
    ASSERT_TRUE(migrateSchema(db, error)) << error;
    EXPECT_EQ(db.exec("INSERT INTO jobs (action, target, state, created_by, created)"
                      " VALUES ('pull', '', 'queued', 'a', 't')"),
              DbStatus::Ok);
    // The sign's row went along, and still goes with its job.
    EXPECT_EQ(sqliteText(dir.file("orbd.db"), "SELECT message FROM job_signs WHERE job_id = 7"), "ok ");
    EXPECT_EQ(db.exec("DELETE FROM jobs WHERE id = 7"), DbStatus::Ok);
    EXPECT_EQ(sqliteText(dir.file("orbd.db"), "SELECT count(*) FROM job_signs"), "0 ");
    EXPECT_EQ(sqliteText(dir.file("orbd.db"), "PRAGMA foreign_key_check"), "");
}

TEST(ServiceStore, RefusesACorruptDatabaseNamingItAndLeavesItAsItWas) {
    TempDir dir;
    fs::create_directory(dir.file("d"));
    ::chmod(dir.file("d").c_str(), 0700);
    std::vector<uint8_t> garbage(8192);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    testing::writeFileBytes(dir.file("d/orbd.db"), garbage);
    ServiceStore store;
    std::string error;
    EXPECT_FALSE(store.open(dir.file("d"), kClock, error));
    EXPECT_NE(error.find(dir.file("d/orbd.db")), std::string::npos) << error;
    EXPECT_EQ(testing::readFileBytes(dir.file("d/orbd.db")), garbage);
    EXPECT_FALSE(fs::exists(dir.file("d/orbd.db-wal")));
}

TEST(ServiceStore, RefusesADatabaseWithADamagedPage) {
    TempDir dir;
    std::string error;
    {
        ServiceStore store;
        ASSERT_TRUE(store.open(dir.file("d"), kClock, error)) << error;
        ASSERT_EQ(store.db.exec("PRAGMA wal_checkpoint(TRUNCATE)"), DbStatus::Ok);
    }
    // Page 2 onwards holds the tables; scribble over the middle of the file.
    std::vector<uint8_t> bytes = testing::readFileBytes(dir.file("d/orbd.db"));
    ASSERT_GT(bytes.size(), 3 * 4096u);
    for (size_t i = 4096 + 8; i < 3 * 4096; ++i) bytes[i] = 0xA5;
    testing::writeFileBytes(dir.file("d/orbd.db"), bytes);
    ServiceStore again;
    EXPECT_FALSE(again.open(dir.file("d"), kClock, error));
    EXPECT_NE(error.find("orbd.db"), std::string::npos) << error;
    EXPECT_EQ(testing::readFileBytes(dir.file("d/orbd.db")), bytes);
}

TEST(ServiceStore, RefusesAReadOnlyDatabase) {
    TempDir dir;
    std::string error;
    {
        ServiceStore store;
        ASSERT_TRUE(store.open(dir.file("d"), kClock, error)) << error;
    }
    ::chmod(dir.file("d/orbd.db").c_str(), 0400);
    const std::vector<uint8_t> before = testing::readFileBytes(dir.file("d/orbd.db"));
    ServiceStore again;
    EXPECT_FALSE(again.open(dir.file("d"), kClock, error));
    EXPECT_NE(error.find("orbd.db: the file is read-only"), std::string::npos) << error;
    EXPECT_EQ(testing::readFileBytes(dir.file("d/orbd.db")), before);
}

TEST(ServiceStore, ASecondServiceOnTheFolderIsRefusedUntilTheFirstHasGone) {
    TempDir dir;
    std::string error;
    auto first = std::make_unique<ServiceStore>();
    ASSERT_TRUE(first->open(dir.file("d"), kClock, error)) << error;
    ServiceStore second;
    EXPECT_FALSE(second.open(dir.file("d"), kClock, error));
    EXPECT_NE(error.find("another orbd"), std::string::npos) << error;
    first.reset();
    ServiceStore third;
    EXPECT_TRUE(third.open(dir.file("d"), kClock, error)) << error;
}

TEST(ServiceStore, RefusesAFolderAnotherUserOwnsOrAFile) {
    TempDir dir;
    std::string error;
    testing::writeFileBytes(dir.file("file"), {1});
    ServiceStore store;
    EXPECT_FALSE(store.open(dir.file("file"), kClock, error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    fs::create_directory(dir.file("theirs"));
    ASSERT_EQ(::chown(dir.file("theirs").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(store.open(dir.file("theirs"), kClock, error));
    EXPECT_NE(error.find("owned by another user"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir.file("theirs/orbd.db")));
}

TEST(ServiceStore, AFullDiskFailsWritesClearlyWhileReadsGoOn) {
    TempDir dir;
    ServiceStore store;
    std::string error;
    ASSERT_TRUE(store.open(dir.file("d"), kClock, error)) << error;
    const Actor admin{"admin", "2025-03-01T09:00:00.000"};
    int64_t id = 0;
    SignInput in;
    in.name = "front";
    in.link = "tcp:127.0.0.1:9000";
    ASSERT_EQ(store.signs.create(in, admin, id), DbStatus::Ok);
    // The database may grow no further: as a full disk looks to SQLite.
    {
        std::lock_guard lock(store.db.mutex());
        Statement count = store.db.prepare("PRAGMA page_count");
        ASSERT_TRUE(count.step());
        const std::string limit = "PRAGMA max_page_count=" + std::to_string(count.integer(0));
        ASSERT_EQ(store.db.exec(limit.c_str()), DbStatus::Ok);
    }
    DbStatus s = DbStatus::Ok;
    in.notes = std::string(2000, 'x');
    for (int i = 0; i < 200 && s == DbStatus::Ok; ++i) {
        in.name = "sign " + std::to_string(i);
        s = store.signs.create(in, admin, id);
    }
    EXPECT_EQ(s, DbStatus::Full);
    SignRecord front;
    EXPECT_EQ(store.signs.get(1, front), DbStatus::Ok);
    EXPECT_EQ(front.name, "front");
}

TEST(ServiceClock, IsoTextsRoundTripAndTheTestingClockRunsAtItsRate) {
    LocalTimestamp t;
    ASSERT_TRUE(parseIsoText("2024-02-29T23:59:58.5", t));
    EXPECT_EQ(toIsoText(t), "2024-02-29T23:59:58.500");
    EXPECT_EQ(toIsoText(fromMillis(toMillis(t) + 1500)), "2024-03-01T00:00:00.000");
    for (const char* bad : {"2023-02-29T00:00:00", "2024-01-01 00:00:00", "2024-01-01T24:00:00",
                            "2024-01-01T00:00:00.", "2024-01-01T00:00:00.1234", "2024-1-01T00:00:00"})
        EXPECT_FALSE(parseIsoText(bad, t)) << bad;
    const ServiceClock fast(LocalTimestamp{{2025, 1, 1, 0, 0, 0}, 0}, 1000);
    const int64_t start = toMillis(LocalTimestamp{{2025, 1, 1, 0, 0, 0}, 0});
    const int64_t a = fast.nowMillis();
    ::usleep(20000);
    EXPECT_GE(fast.nowMillis() - a, 20000);  // 20 ms real are at least 20 s of its time
    EXPECT_GE(a, start);
}

}  // namespace
}  // namespace orb
