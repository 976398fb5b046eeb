#include "app/state/SettingsModel.h"

#include "platform/JsonText.h"
#include "platform/PreferencesStore.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace qn {

namespace Key {
constexpr const char *isFirstRun = "isFirstRun";
constexpr const char *token = "token";
constexpr const char *name = "name";
constexpr const char *isMuted = "isMuted";
constexpr const char *showProjects = "showProjects";
constexpr const char *showNotifications = "showNotifications";
constexpr const char *showNewComments = "showNewComments";
constexpr const char *autoUpload = "autoUpload";
constexpr const char *uploadWatermark = "uploadWatermark";
constexpr const char *localWatermark = "localWatermark";
constexpr const char *appearance = "appearance";
constexpr const char *logo = "logo";
constexpr const char *needOnboarding = "needOnboarding";
} // namespace Key

SettingsModel::SettingsModel(PreferencesStore &store, QObject *parent) : QObject(parent), m_store(store) {
    auto boolOr = [&](const char *key, bool fallback) {
        return m_store.boolValue(QLatin1String(key)).value_or(fallback);
    };
    m_firstRun = boolOr(Key::isFirstRun, true);
    m_token = m_store.text(QLatin1String(Key::token)).value_or(QString());
    m_name = m_store.text(QLatin1String(Key::name)).value_or(QString());
    m_muted = boolOr(Key::isMuted, false);
    m_notMuted = !boolOr(Key::isMuted, false);
    m_showProjects = boolOr(Key::showProjects, false);
    m_showNotifications = boolOr(Key::showNotifications, true);
    m_showNewComments = boolOr(Key::showNewComments, true);
    m_needRetina = true;
    m_autoUpload = boolOr(Key::autoUpload, false);
    m_uploadWatermark = boolOr(Key::uploadWatermark, true);
    m_localWatermark = boolOr(Key::localWatermark, true);

    if (const auto data = m_store.data(QLatin1String(Key::appearance))) {
        if (const auto decoded = decodeAppearance(*data))
            m_appearance = *decoded;
        else
            PreferencesStore::reportUnusable(QLatin1String(Key::appearance), QStringLiteral("not an appearance"));
    }
    if (const auto data = m_store.data(QLatin1String(Key::logo))) {
        // A removed logo is stored as JSON null: that is no logo, not damage.
        const auto path = json::decodeOptionalString(*data);
        if (!path)
            PreferencesStore::reportUnusable(QLatin1String(Key::logo), QStringLiteral("not a file path"));
        else if (*path && isReadableLogoFile(**path))
            m_logo = **path;
    }
    m_needOnboarding = boolOr(Key::needOnboarding, true);
}

bool SettingsModel::isReadableLogoFile(const QString &path) {
    const QFileInfo info(path);
    if (!info.isAbsolute() || !info.isFile() || !info.isReadable())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

QImage SettingsModel::loadLogo(const QString &path) {
    if (!isReadableLogoFile(path) || QFileInfo(path).size() > kMaxLogoFileBytes)
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // The header tells the size before anything is decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxLogoSide || size.height() > kMaxLogoSide)
        return {};
    return reader.read();
}

void SettingsModel::storeBool(const char *key, bool value) { m_store.setBool(QLatin1String(key), value); }

void SettingsModel::setSettings(SettingsMenu value) { assign(m_settings, value, &SettingsModel::settingsChanged); }
void SettingsModel::setSettingsLoader(bool value) {
    assign(m_settingsLoader, value, &SettingsModel::settingsLoaderChanged);
}
void SettingsModel::setFirstRun(bool value) {
    assign(m_firstRun, value, &SettingsModel::firstRunChanged);
    storeBool(Key::isFirstRun, m_firstRun);
}
void SettingsModel::setToken(const QString &value) {
    assign(m_token, value, &SettingsModel::tokenChanged);
    m_store.setText(QLatin1String(Key::token), m_token);
}
void SettingsModel::setName(const QString &value) {
    assign(m_name, value, &SettingsModel::nameChanged);
    m_store.setText(QLatin1String(Key::name), m_name);
}
void SettingsModel::setMuted(bool value) {
    assign(m_muted, value, &SettingsModel::mutedChanged);
    storeBool(Key::isMuted, m_muted);
    Q_EMIT statusMenuRebuildRequested();
}
void SettingsModel::setNotMuted(bool value) { assign(m_notMuted, value, &SettingsModel::notMutedChanged); }
void SettingsModel::setShowProjects(bool value) {
    assign(m_showProjects, value, &SettingsModel::showProjectsChanged);
    storeBool(Key::showProjects, m_showProjects);
    Q_EMIT statusMenuRebuildRequested();
}
void SettingsModel::setShowNotifications(bool value) {
    assign(m_showNotifications, value, &SettingsModel::showNotificationsChanged);
    storeBool(Key::showNotifications, m_showNotifications);
    Q_EMIT statusMenuRebuildRequested();
}
void SettingsModel::setShowNewComments(bool value) {
    assign(m_showNewComments, value, &SettingsModel::showNewCommentsChanged);
    storeBool(Key::showNewComments, m_showNewComments);
    Q_EMIT statusMenuRebuildRequested();
}
void SettingsModel::setNeedRetina(bool value) { assign(m_needRetina, value, &SettingsModel::needRetinaChanged); }
void SettingsModel::setAutoUpload(bool value) {
    assign(m_autoUpload, value, &SettingsModel::autoUploadChanged);
    storeBool(Key::autoUpload, m_autoUpload);
    Q_EMIT statusMenuRebuildRequested();
}
void SettingsModel::setUploadWatermark(bool value) {
    assign(m_uploadWatermark, value, &SettingsModel::uploadWatermarkChanged);
    storeBool(Key::uploadWatermark, m_uploadWatermark);
}
void SettingsModel::setLocalWatermark(bool value) {
    assign(m_localWatermark, value, &SettingsModel::localWatermarkChanged);
    storeBool(Key::localWatermark, m_localWatermark);
}
void SettingsModel::setAppearance(Appearance value) {
    assign(m_appearance, value, &SettingsModel::appearanceChanged);
    m_store.setData(QLatin1String(Key::appearance), encodeAppearance(m_appearance));
}
void SettingsModel::setLogo(const std::optional<QString> &value) {
    assign(m_logo, value, &SettingsModel::logoChanged);
    m_store.setData(QLatin1String(Key::logo), json::encodeOptionalString(m_logo));
}
void SettingsModel::setFeeds(const QList<Draft> &value) {
    assign(m_feeds, value, &SettingsModel::feedsChanged);
    Q_EMIT statusMenuRebuildRequested();
}
void SettingsModel::setProjects(const QList<Project> &value) {
    assign(m_projects, value, &SettingsModel::projectsChanged);
}
void SettingsModel::setOnboardingStep(int value) {
    assign(m_onboardingStep, value, &SettingsModel::onboardingStepChanged);
}
void SettingsModel::setNeedOnboarding(bool value) {
    assign(m_needOnboarding, value, &SettingsModel::needOnboardingChanged);
    storeBool(Key::needOnboarding, m_needOnboarding);
}

std::optional<Project> SettingsModel::temporaryProject() const {
    for (const Project &project : m_projects)
        if (project.temporary == 1)
            return project;
    return std::nullopt;
}

void SettingsModel::logout() {
    setToken(QString());
    setName(QString());
    setProjects({});
}

} // namespace qn
