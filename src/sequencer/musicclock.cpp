// musicclock: the three clock reads and the audio start-up and shutdown.
#include "sequencer/musicclock.h"

#include "platform/message.h"

int UpdateMusicClock(MusicClock *clock) {
    // The position wraps when the music loops, and the spectrum is taken
    // there; the show's time counts every loop, so a track shorter than the
    // show still brings every part to its end.
    GetMusicPosition(clock->stream);
    clock->seconds = (float)GetMusicTimePlayed(clock->stream);
    return GetMusicSpectrum(clock->stream, clock->spectrum);
}

void StartMusicClock(MusicClock *clock, const char *path) {
    if (!InitAudio()) ShowMessageBox("Error", "No Init");
    clock->stream = LoadMusicStream(path);
    if (!clock->stream) {
        ShowMessageBox("Error", "Can`t play file");
        clock->stream = NewSilentStream();
    }
    PlayMusicStream(clock->stream, 1);
    UpdateMusicClock(clock);
}

void StopMusicClock(MusicClock *clock) {
    FreeMusicStream(clock->stream);
    clock->stream = nullptr;
    FreeAudio();
}
