#include "app/Analytic.h"

#include "app/Models.h"
#include "app/SettingsModel.h"
#include "platform/Analytics.h"

namespace qn {

void Analytic::setDefaultParameters() {
    const QString name = Models::shared().settingsModel()->name();
    Analytics::shared().setDefaultParameters({{QStringLiteral("username"), name}});
}

} // namespace qn
