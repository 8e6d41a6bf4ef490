// The game's sounds through the library's audio: made once at start, played
// on its default mixer and voice, never waited for.
#pragma once

#include "platform/Synth.h"

struct Audio;

constexpr int kVoices = 8;  // sounds playing at once at most

// Start the library's audio and make every sound. Null when there is no
// sound device or the audio cannot start: the game then plays silently.
// Prints nothing, nor lets the audio libraries below complain on standard
// error of a missing device.
Audio* startAudio();

// Stop every sound, free them and stop the library's audio. Null does nothing.
void stopAudio(Audio* audio);

// Start `sound` now; with kVoices sounds playing, the one started first gives
// way. Never waits for the sound. Null does nothing.
void playSound(Audio* audio, Sound sound);

// Stop every sound that is playing. Null does nothing.
void silenceSounds(Audio* audio);
