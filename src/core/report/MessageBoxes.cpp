#include "report/MessageBoxes.h"

namespace qm {
namespace {

class UnattendedBoxes final : public MessageBoxes {
public:
    BoxAnswer show(const BoxRequest& request) override {
        BoxAnswer answer;
        answer.button = request.buttons.isEmpty() ? BoxButton::Ok : request.buttons.last();
        return answer;
    }
};

UnattendedBoxes g_unattended;
MessageBoxes* g_installed = nullptr;

}  // namespace

MessageBoxes& MessageBoxes::current() {
    return g_installed ? *g_installed : g_unattended;
}

void MessageBoxes::install(MessageBoxes* boxes) {
    g_installed = boxes;
}

}  // namespace qm
