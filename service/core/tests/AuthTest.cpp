// Logins, sessions and tokens: only hashes stored, failures slowed down and audited, sessions
// and tokens that expire.
#include "service/core/Auth.h"

#include <gtest/gtest.h>

#include "service/core/tests/StoreFixture.h"

namespace orb {
namespace {

class AuthTest : public testing::StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        ASSERT_TRUE(Auth::initialise());
        AuthSettings settings = fastAuthSettingsForTests();
        settings.sessionMinutes = 60;
        auth = std::make_unique<Auth>(store.users, store.audit, clock, settings);
        std::string hash;
        ASSERT_TRUE(auth->hashPassword("correct horse", hash));
        ASSERT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
        ASSERT_EQ(store.users.add("alice", Role::Operator, hash, actor(), alice), DbStatus::Ok);
    }

    int64_t countAudit(const std::string& result) {
        std::vector<AuditRecord> rows;
        AuditFilter f;
        f.action = "login";
        f.result = result;
        EXPECT_EQ(store.audit.query(f, rows), DbStatus::Ok);
        return static_cast<int64_t>(rows.size());
    }

    std::unique_ptr<Auth> auth;
    int64_t alice = 0;
};

TEST_F(AuthTest, ASessionAuthenticatesByBearerAndCookieUntilItExpiresOrEnds) {
    LoginResult r = auth->login("alice", "correct horse", "127.0.0.1");
    ASSERT_EQ(r.status, LoginResult::Ok);
    EXPECT_EQ(r.user.role, Role::Operator);
    EXPECT_EQ(r.token.size(), 64u);
    EXPECT_NE(r.csrf, r.token);
    Principal who;
    ASSERT_EQ(auth->byBearer(r.token, who), AuthCheck::Ok);
    EXPECT_EQ(who.user.name, "alice");
    EXPECT_FALSE(who.byCookie);
    ASSERT_EQ(auth->byCookie(r.token, who), AuthCheck::Ok);
    EXPECT_TRUE(who.byCookie);
    EXPECT_EQ(who.csrf, r.csrf);
    std::string wrong = r.token;
    wrong[0] = wrong[0] == 'a' ? 'b' : 'a';
    EXPECT_EQ(auth->byBearer(wrong, who), AuthCheck::Invalid);
    EXPECT_EQ(auth->byBearer("not a token", who), AuthCheck::Invalid);

    clock.advance(61 * 60 * 1000);
    EXPECT_EQ(auth->byBearer(r.token, who), AuthCheck::Invalid);
    r = auth->login("alice", "correct horse", "127.0.0.1");
    ASSERT_EQ(r.status, LoginResult::Ok);
    ASSERT_EQ(auth->logout(r.token, actor("alice")), DbStatus::Ok);
    EXPECT_EQ(auth->byBearer(r.token, who), AuthCheck::Invalid);
}

TEST_F(AuthTest, FailedLoginsWaitLongerEachTimeAndAreAudited) {
    EXPECT_EQ(auth->login("alice", "wrong", "10.0.0.1").status, LoginResult::Refused);
    // Even the right password waits for the delay, from any address.
    LoginResult r = auth->login("alice", "correct horse", "10.0.0.2");
    EXPECT_EQ(r.status, LoginResult::Throttled);
    EXPECT_GT(r.retryAfterMs, 0);
    // And the address waits for any name.
    EXPECT_EQ(auth->login("bob", "x", "10.0.0.1").status, LoginResult::Throttled);
    clock.advance(1001);
    EXPECT_EQ(auth->login("alice", "wrong again", "10.0.0.1").status, LoginResult::Refused);
    clock.advance(1001);
    EXPECT_EQ(auth->login("alice", "correct horse", "10.0.0.3").status, LoginResult::Throttled);
    clock.advance(1000);
    EXPECT_EQ(auth->login("alice", "correct horse", "10.0.0.3").status, LoginResult::Ok);
    EXPECT_EQ(auth->login("nobody", "x", "10.0.0.3").status, LoginResult::Refused);
    EXPECT_EQ(countAudit("failed"), 3);
    EXPECT_EQ(countAudit("refused"), 3);
}

TEST_F(AuthTest, ApiTokensAreGivenOnceStoredHashedAndMayExpire) {
    std::string forever, brief;
    ASSERT_EQ(auth->newApiToken(alice, std::nullopt, actor(), forever), DbStatus::Ok);
    ASSERT_EQ(auth->newApiToken(alice, "2025-03-01T10:00:00.000", actor(), brief), DbStatus::Ok);
    Principal who;
    EXPECT_EQ(auth->byBearer(forever, who), AuthCheck::Ok);
    EXPECT_EQ(auth->byBearer(brief, who), AuthCheck::Ok);
    // A token is no session cookie.
    EXPECT_EQ(auth->byCookie(forever, who), AuthCheck::Invalid);
    clock.advance(2 * 3600 * 1000);
    EXPECT_EQ(auth->byBearer(forever, who), AuthCheck::Ok);
    EXPECT_EQ(auth->byBearer(brief, who), AuthCheck::Invalid);
    {
        std::lock_guard lock(store.db.mutex());
        Statement st =
            store.db.prepare("SELECT count(*) FROM api_tokens WHERE token_hash = ?").bindAll(forever);
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.integer(0), 0);  // not the token itself
    }
    // Removing the user removes its tokens.
    ASSERT_EQ(store.users.remove(alice, actor()), DbStatus::Ok);
    EXPECT_EQ(auth->byBearer(forever, who), AuthCheck::Invalid);
}

TEST(LoginThrottle, DelaysDoubleUpToTheLongestAndASuccessClearsThem) {
    LoginThrottle t(1000, 5000);
    EXPECT_EQ(t.waitMs("k", 0), 0);
    const int64_t expected[] = {1000, 2000, 4000, 5000, 5000};
    int64_t now = 0;
    for (int64_t delay : expected) {
        t.failed("k", now);
        EXPECT_EQ(t.waitMs("k", now), delay);
        now += delay;
        EXPECT_EQ(t.waitMs("k", now), 0);
    }
    t.succeeded("k");
    t.failed("k", now);
    EXPECT_EQ(t.waitMs("k", now), 1000);
    EXPECT_EQ(t.waitMs("other", now), 0);
}

}  // namespace
}  // namespace orb
