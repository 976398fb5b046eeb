#include "platform/PreferencesStore.h"

#include "BuildInfo.h"
#include "platform/Diagnostics.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {
QString defaultPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QStringLiteral("/Quillnest/") + QString::fromUtf8(build::kBundleIdentifier) + QStringLiteral(".ini");
}
} // namespace

PreferencesStore &PreferencesStore::shared() {
    static PreferencesStore store(defaultPath(), true);
    return store;
}

namespace {
constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

// Opens the file, creating it empty and private when it is missing, and takes the
// group's and others' rights away. Following a link is fine here: a preferences
// file kept elsewhere (a dotfiles folder) is still the user's secret.
void makeFilePrivate(const QString &filePath, bool create) {
    const QByteArray path = QFile::encodeName(filePath);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0)
        return; // unreadable or not creatable: QSettings reports what it cannot do
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & kOthersBits))
        ::fchmod(fd, st.st_mode & S_IRWXU);
    ::close(fd);
}
} // namespace

PreferencesStore::PreferencesStore(const QString &filePath, bool ownFolder) {
    const QString folder = QFileInfo(filePath).absolutePath();
    if (ownFolder || !QFileInfo::exists(folder))
        safeFile::ensurePrivateFolder(folder);
    // In place before QSettings first reads or writes it: QSettings replaces the file
    // through a new one that takes over the old one's mode, so a private file stays
    // private across every write.
    makeFilePrivate(filePath, true);
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    if (m_settings->status() != QSettings::NoError)
        reportUnusable(QStringLiteral("*"), QStringLiteral("the preferences file could not be read: ") + filePath);
}

std::optional<bool> PreferencesStore::boolValue(const QString &key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    // INI keeps no types: a boolean reads back as the text "true" or "false".
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (s == QLatin1String("true"))
            return true;
        if (s == QLatin1String("false"))
            return false;
    }
    reportUnusable(key, QStringLiteral("not a boolean"));
    return std::nullopt;
}

std::optional<QString> PreferencesStore::text(const QString &key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    reportUnusable(key, QStringLiteral("not a text"));
    return std::nullopt;
}

std::optional<QByteArray> PreferencesStore::data(const QString &key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    reportUnusable(key, QStringLiteral("not a data value"));
    return std::nullopt;
}

bool PreferencesStore::contains(const QString &key) const { return m_settings->contains(key); }

void PreferencesStore::setBool(const QString &key, bool value) {
    m_settings->setValue(key, value);
    m_settings->sync();
    written();
}

void PreferencesStore::setText(const QString &key, const QString &value) {
    m_settings->setValue(key, value);
    m_settings->sync();
    written();
}

void PreferencesStore::setData(const QString &key, const QByteArray &value) {
    m_settings->setValue(key, value);
    m_settings->sync();
    written();
}

void PreferencesStore::remove(const QString &key) {
    m_settings->remove(key);
    m_settings->sync();
    written();
}

QString PreferencesStore::filePath() const { return m_settings->fileName(); }

void PreferencesStore::sync() {
    m_settings->sync();
    written();
}

QString PreferencesStore::whyNotWritable() const {
    // QSettings says only that it failed; the system says why.
    const QString path = m_settings->fileName();
    QByteArray probe = QFile::encodeName(path);
    if (::access(probe.constData(), F_OK) != 0)
        probe = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::access(probe.constData(), W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QStringLiteral("the file could not be written");
}

void PreferencesStore::keepFilePrivate() const { makeFilePrivate(m_settings->fileName(), false); }

void PreferencesStore::written() {
    keepFilePrivate();
    // A format error belongs to reading a damaged file, which the next write repairs.
    m_writeFailed = m_settings->status() == QSettings::AccessError;
    if (!m_writeFailed || m_writeFailureReported)
        return;
    m_writeFailureReported = true;
    const QString reason = whyNotWritable();
    diagnostics::report(diagnostics::preferencesNotSaved(m_settings->fileName(), reason));
    Q_EMIT writeFailed(reason);
}

void PreferencesStore::reportUnusable(const QString &key, const QString &why) {
    diagnostics::report(diagnostics::preferenceIgnored(key, why));
}

} // namespace qn
