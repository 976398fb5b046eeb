#include "settings/SettingsHooks.h"

namespace qn {

SettingsHooks &SettingsHooks::shared() {
    static SettingsHooks hooks;
    return hooks;
}

void SettingsHooks::run(const std::function<void()> &hook) {
    if (hook)
        hook();
}

QWidget *SettingsHooks::window(const std::function<QWidget *()> &lookup) { return lookup ? lookup() : nullptr; }

} // namespace qn
