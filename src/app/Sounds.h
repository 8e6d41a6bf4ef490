// Which sounds play: the events of play found by comparing the records
// before and after each press and tick, and the mute key.
#pragma once

#include <allegro5/events.h>

#include "platform/Audio.h"
#include "player/Player.h"
#include "save/SaveWriter.h"
#include "world/World.h"

// What the cues remember between events; owned by main.
struct SoundCues {
  Audio* audio = nullptr;  // null: play silently
  bool muted = false;
  bool falling = false;  // the last tick moved the player down
  float fallTop = 0.0f;  // where that fall began
  int savesDone = 0;     // the save writer's counts as last heard
  int writesFailed = 0;
};

// The sound a mouse press makes, looked at before the press acts: a dig of
// the ground under the pointer, a placed block, or a tick for a press over
// the world in reach that can do nothing; kCount for none.
Sound pressSound(const World& world, const Player& player, const ALLEGRO_EVENT& event);

// Play `sound` unless muted or kCount. `cues` may be null.
void cue(SoundCues* cues, Sound sound);

// After a tick: a jump begun (`jumped`), a landing after a fall of more than
// one cell, and the saves and pictures finished since the last tick. `cues`
// and `saves` may be null.
void cueTick(SoundCues* cues, const Player& before, const Player& after, bool jumped,
             const SaveWriter* saves);

// F2: all sound off, or on again. Returns the notice that says which.
const char* toggleMute(SoundCues* cues);
