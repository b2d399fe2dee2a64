#pragma once

#include <QList>
#include <QString>

namespace qm {

/// One named database connection from the alias file.
struct AliasDefinition {
    QString name;
    QString driver;  // SQLITE, PSQL, ODBC or MYSQL
    QString database;
    QString host;
    int port = -1;
    QString user;
    QString password;
    QString options;
};

/// The alias file: INI text with one section per alias and the keys
/// Driver, Database, Host, Port, User, Password and Options. A relative
/// SQLite database path is resolved against the file's folder.
class AliasFile {
public:
    /// The file in use: $QUILLMERE_ALIASES, else "Aliases.ini" in the
    /// per-user configuration folder, else beside the program. Returns the
    /// first candidate that exists, or the empty text when none does; a file
    /// named by $QUILLMERE_ALIASES that does not exist raises Error.
    static QString locate();
    /// Where aliases are looked for, for messages.
    static QString searchDescription();

    /// Reads a file; raises Error when it cannot be read or is malformed.
    static AliasFile load(const QString& path);

    const QString& path() const { return path_; }
    const QList<AliasDefinition>& aliases() const { return aliases_; }
    /// The alias with that name, compared without regard to case; nullptr if none.
    const AliasDefinition* find(const QString& name) const;

private:
    QString path_;
    QList<AliasDefinition> aliases_;
};

}  // namespace qm
