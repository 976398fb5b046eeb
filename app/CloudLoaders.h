#pragma once
#include <QObject>
#include <functional>

namespace qn {

class APICore;
class SettingsModel;

// The status menu's loaders. Each does nothing while signed out (empty token). On
// success the answer replaces the preferences' lists and `rebuildMenu` runs, unless
// `context` is gone by then; on failure the lists stay as they were and a diagnostic
// line is printed.
class CloudLoaders {
public:
    CloudLoaders() = delete;

    // Projects and drafts with new comments ("/get_user_tray_info").
    static void reloadTrayInfo(APICore &api, SettingsModel &settings, const QObject *context,
                               std::function<void()> rebuildMenu);
    // Projects only ("/settings").
    static void reloadProjects(APICore &api, SettingsModel &settings, const QObject *context,
                               std::function<void()> rebuildMenu);
    // Empties the drafts with new comments at once, then tells the service; the
    // service's answer is not waited for and changes nothing here.
    static void markAllAsRead(APICore &api, SettingsModel &settings);
};

} // namespace qn
