#pragma once
#include "settings/SettingsPage.h"

namespace qn {

class SettingsModel;
class ShortcutRecorder;
class ShortcutRegistry;
class Switch;

// The "Settings" page: the screenshot hot key, automatic upload, the projects
// submenu and opening at login, with a reset link.
class ApplicationSettings : public SettingsPage {
    Q_OBJECT
public:
    explicit ApplicationSettings(SettingsModel &env, ShortcutRegistry *registry = nullptr, QWidget *parent = nullptr);

    void resetSettings();

    ShortcutRecorder *shortcutField() const { return m_shortcut; }
    Switch *autoUploadSwitch() const { return m_autoUpload; }
    Switch *showProjectsSwitch() const { return m_showProjects; }
    Switch *openAtLoginSwitch() const { return m_openAtLogin; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    SettingsModel &m_env;
    ShortcutRegistry &m_registry;
    ShortcutRecorder *m_shortcut;
    Switch *m_autoUpload;
    Switch *m_showProjects;
    Switch *m_openAtLogin;
};

} // namespace qn
