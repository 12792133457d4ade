#include "SoundPlayer.h"

#include "DataFiles.h"

#include <QSoundEffect>
#include <QUrl>

SoundPlayer::SoundPlayer(QObject *parent)
    : QObject(parent)
{
}

void SoundPlayer::play(const QString &fileName)
{
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/'))
        || fileName.contains(QLatin1Char('\\')) || fileName.startsWith(QLatin1Char('.')))
        return;

    const QString path = findDataFile(QStringLiteral("sounds/") + fileName);
    if (path.isEmpty())
        return;

    QSoundEffect *effect = effects.value(path);
    if (!effect) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
        effects.insert(path, effect);
    }
    // A sound asked for while the file is still loading starts once it is
    // loaded; one that failed to load (or has no device to go to) stays
    // silent.
    if (effect->status() == QSoundEffect::Error)
        return;
    effect->play();
}
