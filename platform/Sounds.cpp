#include "platform/Sounds.h"

#include <QAudioDevice>
#include <QFile>
#include <QHash>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace qn::Sounds {

std::optional<bool> play(const QString &path) {
    if (!QFile::exists(path))
        return std::nullopt;
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return false;
    // One effect per sound, made on first use and kept: a second play restarts it.
    static QHash<QString, QSoundEffect *> effects;
    QSoundEffect *&effect = effects[path];
    if (!effect) {
        effect = new QSoundEffect(output);
        effect->setSource(QUrl(QStringLiteral("qrc") + path));
    }
    if (effect->status() == QSoundEffect::Error)
        return false;
    effect->play();
    return true;
}

} // namespace qn::Sounds
