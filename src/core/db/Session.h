#pragma once

#include "db/AliasFile.h"

#include <QString>

namespace qm {

class LoginPrompt;

/// What the connections of one engine share: where aliases come from and
/// who is asked for passwords.
class Session {
public:
    /// An empty path means the usual lookup of the alias file.
    void setAliasFilePath(const QString& path) { aliasFilePath_ = path; }
    const QString& aliasFilePath() const { return aliasFilePath_; }
    void setLoginPrompt(LoginPrompt* prompt) { prompt_ = prompt; }
    LoginPrompt* loginPrompt() const { return prompt_; }

    /// Looks the alias up; falls back to an ODBC data source of that name.
    /// Raises Error naming the alias and where aliases are defined.
    AliasDefinition resolve(const QString& alias) const;

private:
    QString aliasFilePath_;
    LoginPrompt* prompt_ = nullptr;
};

/// True when the ODBC driver manager knows a data source of that name.
bool isOdbcDataSource(const QString& name);

}  // namespace qm
