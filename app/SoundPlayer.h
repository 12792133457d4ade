// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHash>
#include <QObject>
#include <QString>

class QSoundEffect;

namespace sorvada {

// Plays the game's short WAV sounds ("start.wav", "message.wav") without
// waiting for them. The file is looked up among the program's data files
// (sounds/<name>); a file that is missing or unreadable, or a machine without
// a sound device, simply gives no sound: the game never reports it.
class SoundPlayer : public QObject
{
    Q_OBJECT
public:
    explicit SoundPlayer(QObject *parent = nullptr);
    // Lets a sound file still being read finish loading (or failing) first: Qt Multimedia
    // reads it on a thread of its own, and a program that ends during such a read can hang
    // on its way out or leave the read's objects behind.
    ~SoundPlayer() override;

    // Starts the sound and returns at once. Only a plain file name is taken;
    // a name with a path in it is refused quietly.
    void play(const QString &fileName);

private:
    // One effect per file, kept so that a sound can be heard to its end and
    // replayed without loading the file again.
    QHash<QString, QSoundEffect *> effects;
};

} // namespace sorvada
