#pragma once
// What the program knows about itself: name, version, build number and icon, read
// from the build constants. Each text may be absent; callers choose the fallback.
#include <QIcon>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace qn {

class BundleInfo {
public:
    // Keys of the information table.
    static constexpr const char *kNameKey = "CFBundleExecutable";
    static constexpr const char *kVersionKey = "CFBundleShortVersionString";
    static constexpr const char *kBuildNumberKey = "CFBundleVersion";
    static constexpr const char *kIdentifierKey = "CFBundleIdentifier";

    explicit BundleInfo(QVariantMap info) : m_info(std::move(info)) {}
    // The running program's table (name, version and build number of this build).
    static const BundleInfo &main();

    std::optional<QString> appName() const { return infoString(QString::fromLatin1(kNameKey)); }
    std::optional<QString> executableName() const { return appName(); }
    std::optional<QString> appVersion() const { return infoString(QString::fromLatin1(kVersionKey)); }
    std::optional<QString> buildNumber() const { return infoString(QString::fromLatin1(kBuildNumberKey)); }
    // The value under `key` when it is text; absent when missing or of another kind.
    std::optional<QString> infoString(const QString &key) const;
    // The application's icon; a drawn stand-in when the program has none set.
    static QIcon appIcon();

private:
    QVariantMap m_info;
};

} // namespace qn
