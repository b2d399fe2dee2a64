#include "common/Errors.h"
#include "db/AliasFile.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

QString write(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath(u"Aliases.ini"_s);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    return path;
}

TEST(AliasFile, HandWrittenFilesReadWithBlanksCommentsAndDuplicates) {
    QTemporaryDir dir;
    const QString path = write(dir,
                               "; test aliases\r\n"
                               "[Local]\r\n"
                               "Driver = sqlite\r\n"
                               "Database = data/local.db\r\n"
                               "# a comment line\r\n"
                               "[Server]\n"
                               "driver=PSQL\n"
                               "host=db.example\n"
                               "port=5433\n"
                               "user=me\n"
                               "[local]\r\n"
                               "Database=other.db\r\n"
                               "[Dsn]\r\n"
                               "Driver=ODBC\r\n"
                               "Database = DRIVER={SQLite3};DATABASE=x.db\r\n"
                               "Password=a=b\r\n");
    const AliasFile file = AliasFile::load(path);
    ASSERT_EQ(file.aliases().size(), 3);
    const AliasDefinition* local = file.find(u"LOCAL"_s);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->driver, u"SQLITE"_s);
    EXPECT_EQ(local->database, QDir::cleanPath(dir.filePath(u"data/local.db"_s)));
    const AliasDefinition* server = file.find(u"server"_s);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->driver, u"PSQL"_s);
    EXPECT_EQ(server->host, u"db.example"_s);
    EXPECT_EQ(server->port, 5433);
    EXPECT_EQ(server->user, u"me"_s);
    // Only the first "=" ends the key: connection strings and passwords
    // hold "=" of their own.
    const AliasDefinition* dsn = file.find(u"Dsn"_s);
    ASSERT_NE(dsn, nullptr);
    EXPECT_EQ(dsn->driver, u"ODBC"_s);
    EXPECT_EQ(dsn->database, u"DRIVER={SQLite3};DATABASE=x.db"_s);
    EXPECT_EQ(dsn->password, u"a=b"_s);
    EXPECT_EQ(file.find(u"none"_s), nullptr);
}

TEST(AliasFile, MalformedFilesNameTheFileAndTheProblem) {
    QTemporaryDir dir;
    const struct {
        QByteArray text;
        const char* expected;
    } cases[] = {
        {"[A]\r\nPort=fifty\r\n", "port \"fifty\" is not a number"},
        {"[A]\r\nDriver PSQL\r\n", "expected \"Key=Value\", found \"Driver PSQL\""},
    };
    for (const auto& c : cases) {
        const QString path = write(dir, c.text);
        try {
            AliasFile::load(path);
            ADD_FAILURE() << "loaded " << c.text.toStdString();
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.expected)))
                << e.message().toStdString();
        }
    }
    EXPECT_THROW(AliasFile::load(dir.filePath(u"missing.ini"_s)), Error);
}

}  // namespace
