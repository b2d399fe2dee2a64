#include "CliPorts.h"

#include "StopSignals.h"
#include "common/Cancellation.h"

#include <unistd.h>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace qm::cli {
namespace {

void printErr(const QString& text) {
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

void CliPorts::progress(const QString& text) {
    static const bool terminal = isatty(STDERR_FILENO) != 0;
    if (!terminal) {
        return;
    }
    // Overwrite the line; the escape clears what a longer text left.
    const QByteArray bytes = "\r\x1b[K" + text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

bool CliPorts::cancelRequested() {
    return stopFlag().requested();
}

// After a stop, what fails is the work being stopped (an interrupted query
// says so in its own words); the one line about the stop says it all.
void CliPorts::showInfo(const QString& text) {
    messageShown_ = true;
    if (!stopFlag().requested()) {
        printErr(text);
    }
}

void CliPorts::showError(const QString& text) {
    messageShown_ = true;
    if (!stopFlag().requested()) {
        printErr(u"Error: "_s + text);
    }
}

bool CliPorts::askYesNo(const QString& text) {
    if (!yesNoAnswer_) {
        printErr(text + u" [answered No]"_s);
    }
    return yesNoAnswer_;
}

bool CliPorts::askLogin(const QString& alias, QString& user, QString& password, QString& reason) {
    Q_UNUSED(user);
    if (!qEnvironmentVariableIsSet("QUILLMERE_PASSWORD")) {
        reason =
            u"Alias \"%1\" needs a password: set the environment variable QUILLMERE_PASSWORD."_s
                .arg(alias);
        return false;
    }
    password = qEnvironmentVariable("QUILLMERE_PASSWORD");
    return true;
}

}  // namespace qm::cli
