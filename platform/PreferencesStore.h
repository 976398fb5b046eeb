#pragma once
#include <QByteArray>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace qn {

// The user's preferences: an INI file under ~/.config (QSettings), keys as the
// program names them. Reads are typed: a value of another kind counts as absent,
// so a hand-edited or corrupt file costs only the keys that are wrong.
//
// The file holds the cloud access token, so it is kept like ~/.netrc: the file is
// the owner's alone (0600) in a folder of the owner's alone (0700), and a file or
// folder left open by an earlier version is closed when the store opens it.
class PreferencesStore : public QObject {
    Q_OBJECT
public:
    // The process-wide store of the running program.
    static PreferencesStore &shared();

    // A store on an explicit file (tests). A folder the store creates is private; an
    // existing one is closed to others only when `ownFolder` says it is ours alone.
    explicit PreferencesStore(const QString &filePath, bool ownFolder = false);

    std::optional<bool> boolValue(const QString &key) const;
    std::optional<QString> text(const QString &key) const;
    std::optional<QByteArray> data(const QString &key) const;
    bool contains(const QString &key) const;

    void setBool(const QString &key, bool value);
    void setText(const QString &key, const QString &value);
    void setData(const QString &key, const QByteArray &value);
    void remove(const QString &key);

    QString filePath() const;
    void sync();

    // Reports a stored value that could not be used (standard output).
    static void reportUnusable(const QString &key, const QString &why);

    // Whether the last write reached the file.
    bool writable() const { return !m_writeFailed; }
Q_SIGNALS:
    // Once per store, on the first write that does not reach the file (a read-only
    // file or folder, a full disk), with the reason; a line goes to the standard
    // output as well. The values stay in effect until the program ends.
    void writeFailed(const QString &reason);

private:
    void written();
    // The file is the owner's alone again, whatever made it (a rewrite of a file that
    // someone deleted meanwhile is made with the usual mode).
    void keepFilePrivate() const;
    QString whyNotWritable() const;

    std::unique_ptr<QSettings> m_settings;
    bool m_writeFailed = false;
    bool m_writeFailureReported = false;
};

} // namespace qn
