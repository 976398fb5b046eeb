#include "app/Analytic.h"

#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "platform/Analytics.h"

namespace qn {

void Analytic::setDefaultParameters() {
    const QString name = Models::shared().settingsModel()->name();
    Analytics::shared().setDefaultParameters({{QStringLiteral("username"), name}});
}

} // namespace qn
