#include "props/ChangeNotices.h"

namespace qm::ChangeNotices {
namespace {

ProjectNoticeReceiver* g_receiver = nullptr;
bool g_pending = false;

}  // namespace

void setReceiver(ProjectNoticeReceiver* r) {
    g_receiver = r;
    g_pending = false;
}

ProjectNoticeReceiver* receiver() {
    return g_receiver;
}

void notifyModified() {
    if (g_pending || !g_receiver) {
        return;
    }
    g_pending = true;
    g_receiver->projectModified();
}

void notifyClean() {
    if (g_receiver) {
        g_receiver->projectClean();
    }
}

void clearPending() {
    g_pending = false;
}

bool pending() {
    return g_pending;
}

}  // namespace qm::ChangeNotices
