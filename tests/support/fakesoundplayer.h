#pragma once

#include "sound/soundplayer.h"

#include <QStringList>

// Records what it is asked to play; a test sets it busy to stand for a sound in progress.
class FakeSoundPlayer : public SoundPlayer
{
public:
    void play(const QString& path) override
    {
        played << path;
        busy = true;
    }
    bool isPlaying() const override { return busy; }
    void stop() override
    {
        ++stops;
        busy = false;
    }

    QStringList played;
    bool busy = false;
    int stops = 0;
};
