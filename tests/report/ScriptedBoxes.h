#pragma once

#include "report/MessageBoxes.h"

#include <QList>

namespace qm::test {

/// Message boxes that answer from a script and record what they showed.
class ScriptedBoxes : public MessageBoxes {
public:
    explicit ScriptedBoxes(QList<BoxAnswer> answers = {}) : answers_(std::move(answers)) {
        MessageBoxes::install(this);
    }
    ~ScriptedBoxes() override { MessageBoxes::install(nullptr); }
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

    BoxAnswer show(const BoxRequest& request) override {
        shown.append(request);
        return answers_.isEmpty() ? BoxAnswer{request.buttons.first(), false}
                                  : answers_.takeFirst();
    }

    QList<BoxRequest> shown;

private:
    QList<BoxAnswer> answers_;
};

}  // namespace qm::test
