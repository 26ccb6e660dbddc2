// The console's files: only plain names of known kinds inside the folder, never a way out of it,
// each with its type and the page's own policy, and the API beside them unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "service/http/ConsoleFiles.h"
#include "service/http/tests/ApiFixture.h"

namespace orb {
namespace {

using api::ConsoleFiles;

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// A console folder with a page, a module, a file of no served kind, a hidden one, a link out of
// the folder and a directory with a served name; a secret file lies beside the folder.
class ConsoleFolder {
  public:
    ConsoleFolder() {
        writeText(dir.path() / "console/index.html", "<!DOCTYPE html><title>x</title>");
        writeText(dir.path() / "console/js/main.js", "export const x = 1;\n");
        writeText(dir.path() / "console/notes.md", "not served");
        writeText(dir.path() / "console/.hidden.js", "hidden");
        writeText(dir.path() / "secret.js", "kept outside 4711");
        std::filesystem::create_symlink(dir.path() / "secret.js", dir.path() / "console/out.js");
        std::filesystem::create_directories(dir.path() / "console/folder.js");
    }
    std::string folder() const { return dir.file("console"); }

    testing::TempDir dir;
};

TEST(ConsoleFiles, ServesPlainNamesOfKnownKindsInsideTheFolderOnly) {
    ConsoleFolder f;
    const ConsoleFiles files(f.folder());
    ASSERT_TRUE(files.available());
    const auto index = files.find("/");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->type, "text/html; charset=utf-8");
    EXPECT_EQ(std::filesystem::path(index->path).filename(), "index.html");
    const auto module = files.find("/js/main.js");
    ASSERT_TRUE(module);
    EXPECT_EQ(module->type, "text/javascript; charset=utf-8");

    for (const char* refused : {"/notes.md", "/.hidden.js", "/out.js", "/../secret.js", "/js/../index.html",
                                "/./index.html", "//index.html", "/js/", "/js\\main.js", "index.html",
                                "/missing.js", "/index.html/", "/%2e%2e/secret.js", ""})
        EXPECT_FALSE(files.find(refused)) << refused;
    EXPECT_FALSE(files.find("/" + std::string(300, 'a') + ".js"));
    EXPECT_FALSE(ConsoleFiles(f.dir.file("nowhere")).available());
    EXPECT_FALSE(ConsoleFiles(f.dir.file("nowhere")).find("/"));
}

class ConsoleServed : public testing::ApiFixture {
  protected:
    void SetUp() override {
        api::ApiOptions options;
        options.consoleFolder = console.folder();
        start(options);
    }
    ConsoleFolder console;
};

// Answers are compressed with gzip even for a client that would take brotli, which httplib
// would make at its slowest setting; a client that takes brotli only gets them as they are.
TEST_F(ConsoleServed, AnswersAreGzippedForBrowsersAndPlainForOthers) {
    for (const std::string path : {"/", "/api/v1/signs"}) {
        const testing::Reply plain = send("GET", path, {}, "viewer");
        ASSERT_EQ(plain.status, 200) << path;
        EXPECT_EQ(plain.header("Content-Encoding"), "") << path;
        const testing::Reply zipped =
            send("GET", path, {}, "viewer", {{"Accept-Encoding", "gzip, deflate, br"}});
        EXPECT_EQ(zipped.header("Content-Encoding"), "gzip") << path;
        EXPECT_EQ(zipped.body, plain.body) << path;
        const testing::Reply weighted =
            send("GET", path, {}, "viewer", {{"Accept-Encoding", "br;q=1.0, gzip;q=0.8, *;q=0.1"}});
        EXPECT_EQ(weighted.header("Content-Encoding"), "gzip") << path;
        EXPECT_EQ(send("GET", path, {}, "viewer", {{"Accept-Encoding", "br"}}).header("Content-Encoding"), "")
            << path;
    }
}

TEST_F(ConsoleServed, PagesCarryTheirTypeAndOnePolicyAllowingOnlyTheService) {
    const testing::Reply page = send("GET", "/");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.body, "<!DOCTYPE html><title>x</title>");
    EXPECT_EQ(page.header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_EQ(page.headers.count("Content-Security-Policy"), 1u);
    EXPECT_EQ(page.header("Content-Security-Policy"), api::kConsolePolicy);
    EXPECT_EQ(page.header("X-Content-Type-Options"), "nosniff");
    const std::string policy = api::kConsolePolicy;
    EXPECT_EQ(policy.find("unsafe"), std::string::npos);
    EXPECT_NE(policy.find("script-src 'self';"), std::string::npos);

    const testing::Reply module = send("GET", "/js/main.js");
    ASSERT_EQ(module.status, 200);
    EXPECT_EQ(module.header("Content-Type"), "text/javascript; charset=utf-8");

    for (const char* missing : {"/out.js", "/folder.js", "/notes.md", "/js/..%2f..%2fsecret.js"}) {
        const testing::Reply r = send("GET", missing);
        EXPECT_EQ(r.status, 404) << missing;
        EXPECT_EQ(r.errorCode(), "not-found") << missing;
        EXPECT_EQ(r.body.find("4711"), std::string::npos) << missing;
    }
}

TEST_F(ConsoleServed, TheApiBesideItAnswersAsBefore) {
    EXPECT_EQ(send("GET", "/api/v1/signs").status, 401);
    const testing::Reply signs = get("/api/v1/signs");
    EXPECT_EQ(signs.status, 200);
    EXPECT_EQ(signs.header("Content-Security-Policy"), "default-src 'none'; frame-ancestors 'none'");
    EXPECT_EQ(get("/api/v1/jobs/1/cancel").errorCode(), "method-not-allowed");
    EXPECT_EQ(get("/api/v1/nothing").errorCode(), "not-found");
    EXPECT_EQ(send("POST", "/index.html", "{}").status, 404);
}

}  // namespace
}  // namespace orb
