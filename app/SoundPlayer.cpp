// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SoundPlayer.h"

#include "app/DataFiles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

namespace sorvada {

namespace {

// Reading a short sound takes milliseconds, failing on a broken one as little; this only
// bounds how long a load that never ends can hold the program back.
constexpr int LOAD_WAIT_MS = 5000;

} // namespace

SoundPlayer::SoundPlayer(QObject *parent)
    : QObject(parent)
{
}

SoundPlayer::~SoundPlayer()
{
    if (!QCoreApplication::instance())
        return;
    const QDeadlineTimer deadline(LOAD_WAIT_MS);
    for (QSoundEffect *effect : std::as_const(effects)) {
        effect->stop();
        // The loading thread tells the effect by queued calls to it and to its parts. Only
        // those are delivered here: nothing else of the program runs while it is going.
        while (effect->status() == QSoundEffect::Loading && !deadline.hasExpired()) {
            QCoreApplication::sendPostedEvents(effect, QEvent::MetaCall);
            const QList<QObject *> parts = effect->findChildren<QObject *>();
            for (QObject *part : parts)
                QCoreApplication::sendPostedEvents(part, QEvent::MetaCall);
            QThread::msleep(2);
        }
    }
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

} // namespace sorvada
