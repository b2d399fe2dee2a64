#include "db/AliasFile.h"

#include "common/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QStringList candidatePaths() {
    QStringList paths;
    const QString env = qEnvironmentVariable("QUILLMERE_ALIASES");
    if (!env.isEmpty()) {
        paths << env;
    }
    paths << QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                 .filePath(u"Quillmere/Aliases.ini"_s);
    if (QCoreApplication::instance()) {
        paths << QDir(QCoreApplication::applicationDirPath()).filePath(u"Aliases.ini"_s);
    }
    return paths;
}

}  // namespace

QString AliasFile::locate() {
    for (const QString& p : candidatePaths()) {
        if (QFileInfo::exists(p)) {
            return p;
        }
    }
    return {};
}

QString AliasFile::searchDescription() {
    return u"Aliases are defined in an alias file: the file named by QUILLMERE_ALIASES, "
           "else %1"_s.arg(candidatePaths()
                               .mid(qEnvironmentVariableIsEmpty("QUILLMERE_ALIASES") ? 0 : 1)
                               .join(u", else "_s));
}

AliasFile AliasFile::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(u"Cannot read alias file \"%1\": %2"_s.arg(path, file.errorString()));
    }
    AliasFile result;
    result.path_ = path;
    const QDir folder = QFileInfo(path).absoluteDir();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    AliasDefinition* current = nullptr;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 3) {
                throw Error(u"Alias file \"%1\", line %2: malformed section \"%3\""_s.arg(path)
                                .arg(n + 1)
                                .arg(line));
            }
            AliasDefinition def;
            def.name = line.mid(1, line.size() - 2).trimmed();
            result.aliases_.append(def);
            current = &result.aliases_.last();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || !current) {
            throw Error(
                u"Alias file \"%1\", line %2: expected \"[alias]\" or \"Key=Value\""_s.arg(path)
                    .arg(n + 1));
        }
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key.compare(u"Driver"_s, Qt::CaseInsensitive) == 0) {
            current->driver = value.toUpper();
        } else if (key.compare(u"Database"_s, Qt::CaseInsensitive) == 0) {
            current->database = value;
        } else if (key.compare(u"Host"_s, Qt::CaseInsensitive) == 0) {
            current->host = value;
        } else if (key.compare(u"Port"_s, Qt::CaseInsensitive) == 0) {
            bool ok = false;
            current->port = value.toInt(&ok);
            if (!ok && !value.isEmpty()) {
                throw Error(u"Alias file \"%1\", line %2: port \"%3\" is not a number"_s.arg(path)
                                .arg(n + 1)
                                .arg(value));
            }
            if (!ok) {
                current->port = -1;
            }
        } else if (key.compare(u"User"_s, Qt::CaseInsensitive) == 0) {
            current->user = value;
        } else if (key.compare(u"Password"_s, Qt::CaseInsensitive) == 0) {
            current->password = value;
        } else if (key.compare(u"Options"_s, Qt::CaseInsensitive) == 0) {
            current->options = value;
        }
    }
    for (AliasDefinition& def : result.aliases_) {
        if (def.driver.isEmpty()) {
            def.driver = u"SQLITE"_s;
        }
        if (def.driver == u"SQLITE"_s && !def.database.isEmpty() && def.database != u":memory:"_s &&
            QDir::isRelativePath(def.database)) {
            def.database = QDir::cleanPath(folder.absoluteFilePath(def.database));
        }
    }
    return result;
}

const AliasDefinition* AliasFile::find(const QString& name) const {
    for (const AliasDefinition& def : aliases_) {
        if (def.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &def;
        }
    }
    return nullptr;
}

}  // namespace qm
