#include "dialogs/TFormFactory.h"

#include "dialogs/TAboutForm.h"
#include "dialogs/TComparisonRulesForm.h"

#include <QDialog>

using namespace Qt::StringLiterals;

namespace qm {

TFormFactory& TFormFactory::instance() {
    static TFormFactory factory;
    return factory;
}

void TFormFactory::registerForm(const QString& className, Maker maker) {
    makers_.emplace_back(className, std::move(maker));
}

std::unique_ptr<QDialog> TFormFactory::CreateByClassName(const QString& className,
                                                         QWidget* parent) const {
    for (auto it = makers_.rbegin(); it != makers_.rend(); ++it) {
        if (it->first.compare(className, Qt::CaseInsensitive) == 0) {
            return it->second(parent);
        }
    }
    return nullptr;
}

void registerProgramForms() {
    static const bool registered = [] {
        TFormFactory::instance().registerForm(
            u"TAboutForm"_s, [](QWidget* parent) { return std::make_unique<TAboutForm>(parent); });
        TFormFactory::instance().registerForm(u"TComparisonRulesForm"_s, [](QWidget* parent) {
            return std::make_unique<TComparisonRulesForm>(parent);
        });
        return true;
    }();
    Q_UNUSED(registered);
}

}  // namespace qm
