// Handing one event of play to its handler.
#pragma once

#include "app/Sounds.h"
#include "player/Editing.h"
#include "player/Player.h"
#include "save/SaveWriter.h"
#include "screens/HudLayout.h"
#include "world/World.h"

// What the event handlers work on besides the player record; owned by main.
struct PlayState {
  World* world;
  const BlockType* catalogue;  // main's own catalogue
  int32_t tickCount;
  int32_t jumpEndTick;
  SaveWriter* saves = nullptr;  // null: the Save and Load buttons do nothing, no autosaves
  bool worldCovered = false;    // the map covers the world: a press changes no cell
  SoundCues* sounds = nullptr;  // null: no sounds
};

// The corner button a mouse press hit, looked at after the press changed the
// record: only the primary button presses them.
HudButton pressedButton(const ALLEGRO_EVENT& event, const Player& after);

// A mouse press as play takes it: on the heads-up band only the corner
// buttons' areas reach the cells (what lies beneath them is the handler's);
// a press anywhere else on the band changes nothing.
MousePress pressOnScreen(const ALLEGRO_EVENT& event, World* world, const BlockType* catalogue,
                         const Player& player);

// Run the handler for one event and return the updated record: mouse presses
// (and the save or load of a corner button, through the save writer), key
// presses and releases, the mouse wheel (the slot), ticks (one movement step,
// and an autosave when one is due), each with its sounds, and the window losing focus (held keys are let go,
// since their releases will not reach us). Every other event leaves the record as it was. Waking the render
// thread on a tick is the caller's part.
Player dispatchEvent(const ALLEGRO_EVENT& event, Player player, PlayState* state);
