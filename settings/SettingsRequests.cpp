#include "settings/SettingsRequests.h"

namespace qn {

SettingsRequests &SettingsRequests::shared() {
    // Never destroyed: pages may still ask while the application object goes away.
    static auto *requests = new SettingsRequests();
    return *requests;
}

} // namespace qn
