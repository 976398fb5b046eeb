#include "platform/Reachability.h"

#include <QNetworkInformation>

namespace qn::Reachability {

bool isReachable() {
    static const bool loaded = QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    QNetworkInformation *info = loaded ? QNetworkInformation::instance() : nullptr;
    if (!info)
        return true;
    return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

} // namespace qn::Reachability
