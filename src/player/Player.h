// The one player's record and the handlers that update it.
#pragma once

#include <allegro5/events.h>
#include <allegro5/keycodes.h>

#include <cstdint>

struct ALLEGRO_BITMAP;

static_assert(ALLEGRO_KEY_MAX == 227, "the held-key table and the save file hold 227 keys");

// The whole state of the player apart from the grid. Handlers take it by value
// and return the updated copy, which the main loop stores back whole. The save
// file holds these fields at fixed offsets (see SaveFile.h); the in-memory
// layout is free (the sprite handle is wider than the file's slot).
struct Player {
  float x = 0.0f;                      // world x of the sprite's left edge
  float y = 0.0f;                      // world y of the sprite's top edge (down is +)
  int32_t dirtCount = 0;               // slot 1, typeId 2
  int32_t grassCount = 0;              // slot 2, typeId 3
  int32_t stoneCount = 0;              // slot 3, typeId 4
  int32_t goldCount = 0;               // slot 4, typeId 5
  ALLEGRO_BITMAP* sprite = nullptr;    // 10 x 20, owned by the shell
  uint8_t onGround = 0;                // 1 while a jump may start
  int32_t selectedSlot = 0;            // 1 to 4 in play
  uint8_t keys[ALLEGRO_KEY_MAX] = {};  // held flags; only 82..85 are used
  int32_t screenWidth = 0;             // display size in pixels
  int32_t screenHeight = 0;
  uint8_t loadRequested = 0;  // the start screen chose "Load World"
  int32_t loadFailed = 0;     // 1 when the last load found no usable file
};

// The record as start-up makes it, before the start screen (sprite left null).
inline Player makeStartingPlayer() {
  Player player;
  player.x = 30.0f;
  player.y = 800.0f;
  player.selectedSlot = 1;
  player.screenWidth = 1440;
  player.screenHeight = 900;
  return player;
}

// Key presses and releases: set or clear the held movement flags, pick a slot.
Player handleKeyEvent(ALLEGRO_EVENT event, Player player);

// The mouse wheel picks the slot: each step down the next one, each step up
// the previous one, wrapping from 4 to 1 and from 1 to 4. A slot outside 1
// to 4 goes to 1 down, to 4 up. Other mouse moves change nothing.
Player handleMouseWheel(ALLEGRO_EVENT event, Player player);

// Forget every held movement key (the window lost focus: releases go elsewhere).
Player releaseHeldKeys(Player player);
