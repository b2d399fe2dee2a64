#include "support/EngineHarness.h"
#include "support/MachineTools.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <optional>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct LoginCase {
    const char* name;
    const char* aliasPassword;  // nullptr: the alias holds none
    bool withPrompt;
    const char* promptPassword;  // nullptr: the prompt refuses
    bool connects;
    int prompts;
    const char* messagePart;
};

class PgLoginTest : public ::testing::TestWithParam<LoginCase> {};

TEST_P(PgLoginTest, PasswordDecidesWhetherTheSourceOpens) {
    QM_REQUIRE_PG(pg);
    const LoginCase& c = GetParam();
    AliasFolder folder;
    QStringList keys{u"Driver=PSQL"_s, u"Host="_s + pg.host, u"Port="_s + QString::number(pg.port),
                     u"User="_s + pg.pwUser, u"Database=qm_source"_s};
    if (c.aliasPassword) {
        keys << u"Password="_s + QString::fromUtf8(c.aliasPassword);
    }
    folder.addAlias(u"Locked"_s, keys);
    EngineHarness h(folder.aliasFile());
    if (!c.withPrompt) {
        h.dm.session().setLoginPrompt(nullptr);
    }
    if (c.promptPassword) {
        h.view.loginPassword = QString::fromUtf8(c.promptPassword);
    }
    h.configure(u"Locked"_s, u"Locked"_s,
                {u"SELECT 1 AS id, current_user::text AS who"_s, u"SELECT 1 AS id"_s, u"id"_s});

    EXPECT_EQ(h.openSource(), c.connects) << h.view.messages().join(u'\n').toStdString();
    EXPECT_EQ(h.view.loginRequests, c.prompts);
    EXPECT_EQ(h.view.boxes[Side::Source], c.connects);
    EXPECT_EQ(h.dm.SourceDatabase().isConnected(), c.connects);
    if (c.connects) {
        EXPECT_TRUE(h.view.messages().isEmpty()) << h.view.messages().join(u'\n').toStdString();
        EXPECT_EQ(EngineHarness::column(h.dm.SourceMemData(), u"who"_s), QStringList{pg.pwUser});
    } else {
        ASSERT_EQ(h.view.errors.size(), 1) << h.view.messages().join(u'\n').toStdString();
        const QString error = h.view.errors.first();
        EXPECT_TRUE(error.contains(u"\"Locked\""_s)) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.messagePart))) << error.toStdString();
        EXPECT_FALSE(h.dm.SourceMemData().isOpen());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, PgLoginTest,
    ::testing::Values(LoginCase{"AliasHoldsRightPassword", "secret-pw", true, nullptr, true, 0, ""},
                      LoginCase{"AliasHoldsWrongPassword", "wrong", true, "secret-pw", false, 0,
                                "password authentication failed"},
                      LoginCase{"PromptSuppliesPassword", nullptr, true, "secret-pw", true, 1, ""},
                      LoginCase{"PromptRefuses", nullptr, true, nullptr, false, 1, "login refused"},
                      LoginCase{"PromptSuppliesWrongPassword", nullptr, true, "nope", false, 1,
                                "password authentication failed"},
                      LoginCase{"NoPromptAndNoPassword", nullptr, false, nullptr, false, 0,
                                "password"}),
    [](const auto& param) { return std::string(param.param.name); });

// With or without a password in the alias: a server that cannot be reached
// never asked for one, so no login is asked for either.
TEST(PgLogin, UnreachableServerFailsWithAMessage) {
    for (const bool withPassword : {true, false}) {
        SCOPED_TRACE(withPassword);
        AliasFolder folder;
        // A loopback port nothing listens on: the refusal is immediate.
        const int closedPort = closedLoopbackPort();
        ASSERT_NE(closedPort, 0);
        QStringList keys{u"Driver=PSQL"_s, u"Host=127.0.0.1"_s, u"Port=%1"_s.arg(closedPort),
                         u"User=postgres"_s, u"Database=qm_source"_s};
        if (withPassword) {
            keys << u"Password=x"_s;
        }
        folder.addAlias(u"Nowhere"_s, keys);
        EngineHarness h(folder.aliasFile());
        h.view.loginPassword = u"x"_s;
        h.configure(u"Nowhere"_s, u"Nowhere"_s,
                    {u"SELECT 1 AS id"_s, u"SELECT 1 AS id"_s, u"id"_s});
        EXPECT_FALSE(h.openTarget());
        EXPECT_EQ(h.view.loginRequests, 0);
        ASSERT_EQ(h.view.errors.size(), 1);
        EXPECT_TRUE(
            h.view.errors.first().startsWith(u"Cannot connect to database alias \"Nowhere\""_s))
            << h.view.errors.first().toStdString();
        EXPECT_FALSE(h.view.boxes[Side::Target]);
    }
}

TEST(OdbcAlias, MissingDriverFailsWithAMessage) {
    AliasFolder folder;
    folder.addAlias(u"BadOdbc"_s,
                    {u"Driver=ODBC"_s, u"Database=DRIVER={No Such Driver};DATABASE=x"_s});
    EngineHarness h(folder.aliasFile());
    h.configure(u"BadOdbc"_s, u"BadOdbc"_s, {u"SELECT 1 AS id"_s, u"SELECT 1 AS id"_s, u"id"_s});
    EXPECT_FALSE(h.openSource());
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().startsWith(u"Cannot connect to database alias \"BadOdbc\""_s))
        << h.view.errors.first().toStdString();
}

}  // namespace
}  // namespace qm::test
