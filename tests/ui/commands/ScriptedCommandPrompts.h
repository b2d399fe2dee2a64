#pragma once

#include "shared/CommandPrompts.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace qm::test {

/// Command prompts answered from a script. Input boxes take the queued
/// answers (nullopt: cancelled; none left: cancelled); dialogs are handed to
/// the queued functions, which fill them in and return their result (none
/// left: rejected); file dialogs give the queued names (empty: cancelled).
/// Everything asked is recorded.
class ScriptedCommandPrompts : public CommandPrompts {
public:
    struct Input {
        QString caption;
        QString prompt;
        QString text;  ///< the text the box was shown with
    };
    QList<std::optional<QString>> inputAnswers;
    QList<Input> inputs;
    int beeps = 0;
    QList<std::function<int(QDialog&)>> dialogAnswers;
    QStringList dialogsShown;  ///< window titles
    QStringList openNames;
    struct SaveAnswer {
        QString fileName;
        int filterIndex = 0;
    };
    QList<SaveAnswer> saveAnswers;
    QStringList saveStartNames;  ///< the name each save dialog started with
    QList<QUrl> opened;
    bool openUrlResult = true;

    bool inputQuery(const QString& caption, const QString& prompt, QString& text) override {
        inputs << Input{caption, prompt, text};
        if (inputAnswers.isEmpty()) {
            return false;
        }
        const std::optional<QString> answer = inputAnswers.takeFirst();
        if (!answer) {
            return false;
        }
        text = *answer;
        return true;
    }
    void beep() override { ++beeps; }
    int execDialog(QDialog& dialog) override {
        dialogsShown << dialog.windowTitle();
        if (dialogAnswers.isEmpty()) {
            return QDialog::Rejected;
        }
        return dialogAnswers.takeFirst()(dialog);
    }
    bool openScriptFileName(QString& fileName) override {
        fileName = openNames.isEmpty() ? QString() : openNames.takeFirst();
        return !fileName.isEmpty();
    }
    bool saveScriptFileName(QString& fileName, int& filterIndex) override {
        saveStartNames << fileName;
        if (saveAnswers.isEmpty()) {
            return false;
        }
        const SaveAnswer answer = saveAnswers.takeFirst();
        fileName = answer.fileName;
        filterIndex = answer.filterIndex;
        return !fileName.isEmpty();
    }
    bool openUrl(const QUrl& url) override {
        opened << url;
        return openUrlResult;
    }
};

}  // namespace qm::test
