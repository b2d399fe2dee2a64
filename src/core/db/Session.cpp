#include "db/Session.h"

#include "common/Errors.h"

#include <sql.h>
#include <sqlext.h>

using namespace Qt::StringLiterals;

namespace qm {

bool isOdbcDataSource(const QString& name) {
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
        return false;
    }
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    bool found = false;
    SQLCHAR dsn[SQL_MAX_DSN_LENGTH + 1];
    SQLCHAR desc[256];
    SQLSMALLINT dsnLen = 0, descLen = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (!found && SQL_SUCCEEDED(SQLDataSources(env, direction, dsn, sizeof dsn, &dsnLen, desc,
                                                  sizeof desc, &descLen))) {
        found = QString::fromLocal8Bit(reinterpret_cast<const char*>(dsn), dsnLen)
                    .compare(name, Qt::CaseInsensitive) == 0;
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return found;
}

AliasDefinition Session::resolve(const QString& alias) const {
    if (alias.trimmed().isEmpty()) {
        throw DatabaseError(u"No database alias given. %1."_s.arg(AliasFile::searchDescription()));
    }
    const QString path = aliasFilePath_.isEmpty() ? AliasFile::locate() : aliasFilePath_;
    if (!path.isEmpty()) {
        const AliasFile file = AliasFile::load(path);
        if (const AliasDefinition* def = file.find(alias)) {
            return *def;
        }
    }
    if (isOdbcDataSource(alias)) {
        AliasDefinition def;
        def.name = alias;
        def.driver = u"ODBC"_s;
        def.database = alias;
        return def;
    }
    const QString where =
        path.isEmpty() ? u"no alias file was found"_s : u"it is not defined in \"%1\""_s.arg(path);
    throw DatabaseError(
        u"Unknown database alias \"%1\": %2, and no ODBC data source has that "
        "name. %3."_s.arg(alias, where, AliasFile::searchDescription()));
}

}  // namespace qm
