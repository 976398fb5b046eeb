#include "app/state/SettingsModel.h"

#include "platform/JsonText.h"
#include "platform/PreferencesStore.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <tuple>
#include <type_traits>

namespace qn {

namespace {

// How a value lives in the preferences file. `read` gives nothing for a missing value
// and for a damaged one (another kind, JSON that does not decode), which it reports
// by key.
template <typename T> struct StoredAs {
    std::optional<T> (*read)(const PreferencesStore &store, const QString &key);
    void (*write)(PreferencesStore &store, const QString &key, const T &value);
};

constexpr StoredAs<bool> kBoolean{[](const PreferencesStore &store, const QString &key) {
                                      return store.boolValue(key);
                                  },
                                  [](PreferencesStore &store, const QString &key, const bool &value) {
                                      store.setBool(key, value);
                                  }};

constexpr StoredAs<QString> kText{[](const PreferencesStore &store, const QString &key) { return store.text(key); },
                                  [](PreferencesStore &store, const QString &key, const QString &value) {
                                      store.setText(key, value);
                                  }};

// One JSON string of the raw value, in a data value.
constexpr StoredAs<Appearance> kAppearanceJson{
    [](const PreferencesStore &store, const QString &key) -> std::optional<Appearance> {
        const auto data = store.data(key);
        if (!data)
            return std::nullopt;
        const auto decoded = decodeAppearance(*data);
        if (!decoded)
            PreferencesStore::reportUnusable(key, QStringLiteral("not an appearance"));
        return decoded;
    },
    [](PreferencesStore &store, const QString &key, const Appearance &value) {
        store.setData(key, encodeAppearance(value));
    }};

// A JSON string, or JSON null once the path was removed: null is no path, not damage.
constexpr StoredAs<std::optional<QString>> kPathJson{
    [](const PreferencesStore &store, const QString &key) -> std::optional<std::optional<QString>> {
        const auto data = store.data(key);
        if (!data)
            return std::nullopt;
        const auto path = json::decodeOptionalString(*data);
        if (!path)
            PreferencesStore::reportUnusable(key, QStringLiteral("not a file path"));
        return path;
    },
    [](PreferencesStore &store, const QString &key, const std::optional<QString> &value) {
        store.setData(key, json::encodeOptionalString(value));
    }};

enum class OnWrite { Store, StoreThenRebuildStatusMenu };

template <typename T> struct Preference {
    const char *key;
    StoredAs<T> storedAs;
    // What a missing or damaged value reads as.
    std::type_identity_t<T> fallback;
    T SettingsModel::*member;
    void (SettingsModel::*changed)();
    OnWrite onWrite = OnWrite::Store;
    // A value that reads well but cannot serve this run also gives the fallback, without
    // a report; the key keeps it until the property is next written.
    bool (*usable)(const std::type_identity_t<T> &value) = nullptr;
};

bool usableLogo(const std::optional<QString> &path) { return !path || SettingsModel::isReadableLogoFile(*path); }

} // namespace

// Every key the preferences file holds, in the order a launch reads them.
struct SettingsModel::Stored {
    using M = SettingsModel;
    static const auto &rows() {
        static const std::tuple table{
            Preference{"isFirstRun", kBoolean, true, &M::m_firstRun, &M::firstRunChanged},
            Preference{"token", kText, QString(), &M::m_token, &M::tokenChanged},
            Preference{"name", kText, QString(), &M::m_name, &M::nameChanged},
            Preference{"isMuted", kBoolean, false, &M::m_muted, &M::mutedChanged, OnWrite::StoreThenRebuildStatusMenu},
            Preference{"showProjects", kBoolean, false, &M::m_showProjects, &M::showProjectsChanged,
                       OnWrite::StoreThenRebuildStatusMenu},
            Preference{"showNotifications", kBoolean, true, &M::m_showNotifications, &M::showNotificationsChanged,
                       OnWrite::StoreThenRebuildStatusMenu},
            Preference{"showNewComments", kBoolean, true, &M::m_showNewComments, &M::showNewCommentsChanged,
                       OnWrite::StoreThenRebuildStatusMenu},
            Preference{"autoUpload", kBoolean, false, &M::m_autoUpload, &M::autoUploadChanged,
                       OnWrite::StoreThenRebuildStatusMenu},
            Preference{"uploadWatermark", kBoolean, true, &M::m_uploadWatermark, &M::uploadWatermarkChanged},
            Preference{"localWatermark", kBoolean, true, &M::m_localWatermark, &M::localWatermarkChanged},
            Preference{"appearance", kAppearanceJson, Appearance::None, &M::m_appearance, &M::appearanceChanged},
            // A logo whose file went away is no logo for this run; the user's choice
            // stays stored in case the file comes back (a disk not mounted yet).
            Preference{"logo", kPathJson, std::nullopt, &M::m_logo, &M::logoChanged, OnWrite::Store, usableLogo},
            Preference{"needOnboarding", kBoolean, true, &M::m_needOnboarding, &M::needOnboardingChanged},
        };
        return table;
    }
};

template <typename Row> void SettingsModel::readStored(const Row &row) {
    const auto value = row.storedAs.read(m_store, QLatin1String(row.key));
    this->*row.member = value && (!row.usable || row.usable(*value)) ? *value : row.fallback;
}

template <typename T> void SettingsModel::writeStored(T SettingsModel::*member, const T &value) {
    std::apply(
        [&](const auto &...rows) {
            auto writeIfMine = [&](const auto &row) {
                if constexpr (std::is_same_v<decltype(row.member), T SettingsModel::*>) {
                    if (row.member != member)
                        return;
                    assign(this->*member, value, row.changed);
                    row.storedAs.write(m_store, QLatin1String(row.key), this->*member);
                    if (row.onWrite == OnWrite::StoreThenRebuildStatusMenu)
                        Q_EMIT statusMenuRebuildRequested();
                }
            };
            (writeIfMine(rows), ...);
        },
        Stored::rows());
}

SettingsModel::SettingsModel(PreferencesStore &store, QObject *parent) : QObject(parent), m_store(store) {
    std::apply([this](const auto &...rows) { (readStored(rows), ...); }, Stored::rows());
    // The notifications page's switch mirrors the stored mute, which nobody stores
    // under a key of its own.
    m_notMuted = !m_muted;
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

void SettingsModel::setSettings(SettingsMenu value) { assign(m_settings, value, &SettingsModel::settingsChanged); }
void SettingsModel::setSettingsLoader(bool value) {
    assign(m_settingsLoader, value, &SettingsModel::settingsLoaderChanged);
}
void SettingsModel::setFirstRun(bool value) { writeStored(&SettingsModel::m_firstRun, value); }
void SettingsModel::setToken(const QString &value) { writeStored(&SettingsModel::m_token, value); }
void SettingsModel::setName(const QString &value) { writeStored(&SettingsModel::m_name, value); }
void SettingsModel::setMuted(bool value) { writeStored(&SettingsModel::m_muted, value); }
void SettingsModel::setNotMuted(bool value) { assign(m_notMuted, value, &SettingsModel::notMutedChanged); }
void SettingsModel::setShowProjects(bool value) { writeStored(&SettingsModel::m_showProjects, value); }
void SettingsModel::setShowNotifications(bool value) { writeStored(&SettingsModel::m_showNotifications, value); }
void SettingsModel::setShowNewComments(bool value) { writeStored(&SettingsModel::m_showNewComments, value); }
void SettingsModel::setNeedRetina(bool value) { assign(m_needRetina, value, &SettingsModel::needRetinaChanged); }
void SettingsModel::setAutoUpload(bool value) { writeStored(&SettingsModel::m_autoUpload, value); }
void SettingsModel::setUploadWatermark(bool value) { writeStored(&SettingsModel::m_uploadWatermark, value); }
void SettingsModel::setLocalWatermark(bool value) { writeStored(&SettingsModel::m_localWatermark, value); }
void SettingsModel::setAppearance(Appearance value) { writeStored(&SettingsModel::m_appearance, value); }
void SettingsModel::setLogo(const std::optional<QString> &value) { writeStored(&SettingsModel::m_logo, value); }
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
void SettingsModel::setNeedOnboarding(bool value) { writeStored(&SettingsModel::m_needOnboarding, value); }

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
