#pragma once
#include "app/state/Appearance.h"
#include "app/state/CloudRecords.h"
#include "app/state/SettingsMenu.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace qn {

class PreferencesStore;

// The preferences and account state. Stored properties are written to the
// preferences store on every assignment (also of an equal value); some writes also
// ask for the status menu to be rebuilt, synchronously, after the store.
class SettingsModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(qn::SettingsMenu settings READ settings WRITE setSettings NOTIFY settingsChanged)
    Q_PROPERTY(bool settingsLoader READ settingsLoader WRITE setSettingsLoader NOTIFY settingsLoaderChanged)
    Q_PROPERTY(bool firstRun READ firstRun WRITE setFirstRun NOTIFY firstRunChanged)
    Q_PROPERTY(QString token READ token WRITE setToken NOTIFY tokenChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(bool muted READ muted WRITE setMuted NOTIFY mutedChanged)
    Q_PROPERTY(bool notMuted READ notMuted WRITE setNotMuted NOTIFY notMutedChanged)
    Q_PROPERTY(bool showProjects READ showProjects WRITE setShowProjects NOTIFY showProjectsChanged)
    Q_PROPERTY(bool showNotifications READ showNotifications WRITE setShowNotifications NOTIFY showNotificationsChanged)
    Q_PROPERTY(bool showNewComments READ showNewComments WRITE setShowNewComments NOTIFY showNewCommentsChanged)
    Q_PROPERTY(bool needRetina READ needRetina WRITE setNeedRetina NOTIFY needRetinaChanged)
    Q_PROPERTY(bool autoUpload READ autoUpload WRITE setAutoUpload NOTIFY autoUploadChanged)
    Q_PROPERTY(bool uploadWatermark READ uploadWatermark WRITE setUploadWatermark NOTIFY uploadWatermarkChanged)
    Q_PROPERTY(bool localWatermark READ localWatermark WRITE setLocalWatermark NOTIFY localWatermarkChanged)
    Q_PROPERTY(qn::Appearance appearance READ appearance WRITE setAppearance NOTIFY appearanceChanged)
    Q_PROPERTY(std::optional<QString> logo READ logo WRITE setLogo NOTIFY logoChanged)
    Q_PROPERTY(QList<qn::Draft> feeds READ feeds WRITE setFeeds NOTIFY feedsChanged)
    Q_PROPERTY(QList<qn::Project> projects READ projects WRITE setProjects NOTIFY projectsChanged)
    Q_PROPERTY(int onboardingStep READ onboardingStep WRITE setOnboardingStep NOTIFY onboardingStepChanged)
    Q_PROPERTY(bool needOnboarding READ needOnboarding WRITE setNeedOnboarding NOTIFY needOnboardingChanged)

public:
    explicit SettingsModel(PreferencesStore &store, QObject *parent = nullptr);

    SettingsMenu settings() const { return m_settings; }
    bool settingsLoader() const { return m_settingsLoader; }
    bool firstRun() const { return m_firstRun; }
    QString token() const { return m_token; }
    QString name() const { return m_name; }
    bool muted() const { return m_muted; }
    bool notMuted() const { return m_notMuted; }
    bool showProjects() const { return m_showProjects; }
    bool showNotifications() const { return m_showNotifications; }
    bool showNewComments() const { return m_showNewComments; }
    bool needRetina() const { return m_needRetina; }
    bool autoUpload() const { return m_autoUpload; }
    bool uploadWatermark() const { return m_uploadWatermark; }
    bool localWatermark() const { return m_localWatermark; }
    Appearance appearance() const { return m_appearance; }
    std::optional<QString> logo() const { return m_logo; }
    QList<Draft> feeds() const { return m_feeds; }
    QList<Project> projects() const { return m_projects; }
    int onboardingStep() const { return m_onboardingStep; }
    bool needOnboarding() const { return m_needOnboarding; }

    void setSettings(SettingsMenu value);
    void setSettingsLoader(bool value);
    void setFirstRun(bool value);
    void setToken(const QString &value);
    void setName(const QString &value);
    void setMuted(bool value);
    void setNotMuted(bool value);
    void setShowProjects(bool value);
    void setShowNotifications(bool value);
    void setShowNewComments(bool value);
    void setNeedRetina(bool value);
    void setAutoUpload(bool value);
    void setUploadWatermark(bool value);
    void setLocalWatermark(bool value);
    void setAppearance(Appearance value);
    void setLogo(const std::optional<QString> &value);
    void setFeeds(const QList<Draft> &value);
    void setProjects(const QList<Project> &value);
    void setOnboardingStep(int value);
    void setNeedOnboarding(bool value);

    bool signedIn() const { return !m_token.isEmpty(); }
    // The first project whose `temporary` is 1: where uploads go.
    std::optional<Project> temporaryProject() const;
    // Token and name become empty (stored), projects empty; feeds stay.
    void logout();

    // A logo path is usable only when it names a regular, readable file: never a
    // FIFO or a device that would block or stream forever.
    // Only opens the file: a logo is read when a capture is rendered, not at start-up.
    static bool isReadableLogoFile(const QString &path);
    // A watermark logo is a small picture: files and pictures above these are refused
    // instead of costing seconds and gigabytes on every render.
    static constexpr qint64 kMaxLogoFileBytes = 16 * 1024 * 1024;
    static constexpr int kMaxLogoSide = 4096;
    // The logo's picture, decoded within the limits above; null when the file is not
    // usable.
    static QImage loadLogo(const QString &path);

Q_SIGNALS:
    void settingsChanged();
    void settingsLoaderChanged();
    void firstRunChanged();
    void tokenChanged();
    void nameChanged();
    void mutedChanged();
    void notMutedChanged();
    void showProjectsChanged();
    void showNotificationsChanged();
    void showNewCommentsChanged();
    void needRetinaChanged();
    void autoUploadChanged();
    void uploadWatermarkChanged();
    void localWatermarkChanged();
    void appearanceChanged();
    void logoChanged();
    void feedsChanged();
    void projectsChanged();
    void onboardingStepChanged();
    void needOnboardingChanged();
    // Emitted after the store whenever a write must rebuild the status menu.
    void statusMenuRebuildRequested();

private:
    template <typename T, typename Signal> void assign(T &member, const T &value, Signal changed) {
        member = value;
        Q_EMIT(this->*changed)();
    }
    // The stored properties: one row each, with the key, its kind in the file, the
    // default and what a write does beyond storing. Defined with the model's code.
    struct Stored;
    template <typename Row> void readStored(const Row &row);
    // Assigns, notifies, stores and, where the row says so, rebuilds the status menu.
    template <typename T> void writeStored(T SettingsModel::*member, const T &value);

    PreferencesStore &m_store;
    SettingsMenu m_settings = SettingsMenu::Account;
    bool m_settingsLoader = false;
    // Stored properties, and the mute mirror, are set by the constructor from the file.
    bool m_firstRun{};
    QString m_token;
    QString m_name;
    bool m_muted{};
    bool m_notMuted{};
    bool m_showProjects{};
    bool m_showNotifications{};
    bool m_showNewComments{};
    bool m_needRetina = true;
    bool m_autoUpload{};
    bool m_uploadWatermark{};
    bool m_localWatermark{};
    Appearance m_appearance{};
    std::optional<QString> m_logo;
    QList<Draft> m_feeds;
    QList<Project> m_projects;
    int m_onboardingStep = 0;
    bool m_needOnboarding{};
};

} // namespace qn
