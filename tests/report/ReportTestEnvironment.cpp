#include "config/RegistryStore.h"
#include "report/DontShowAgain.h"

#include "support/TemporaryFolders.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <memory>

namespace {

// Every test starts with an empty per-user store of its own: an answer one
// test stores ("don't show this message again") must not decide what a
// later test sees, whatever order or how often the tests run.
class FreshUserStore : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        saved_ = qgetenv("XDG_CONFIG_HOME");
        store_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", store_->path().toUtf8());
#ifdef Q_OS_WIN
        // There the store is the registry, which no folder replaces.
        qm::RegistryStore::open()->remove(
            qm::DontShowAgain::reduce(qm::DontShowAgain::defaultLocation()));
#endif
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        qputenv("XDG_CONFIG_HOME", saved_);
        store_.reset();
    }

private:
    QByteArray saved_;
    std::unique_ptr<QTemporaryDir> store_;
};

[[maybe_unused]] auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new qm::test::TemporaryFolders);

[[maybe_unused]] const bool g_freshStore = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshUserStore);
    return true;
}();

}  // namespace
