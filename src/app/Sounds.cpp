// Which sounds play: the events of play and the mute key.
#include "app/Sounds.h"

#include "player/Editing.h"
#include "render/Screenshot.h"
#include "screens/HudLayout.h"

namespace {

Sound digSound(int32_t typeId) {
  switch (typeId) {
    case kGrass: return Sound::kDigGrass;
    case kStone: return Sound::kDigStone;
    case kGold: return Sound::kDigGold;
    default: return Sound::kDigDirt;
  }
}

}  // namespace

Sound pressSound(const World& world, const Player& player, const ALLEGRO_EVENT& event) {
  const auto [cell, action] = pressTarget(world, player, event.mouse.x, event.mouse.y, event.mouse.button);
  switch (action) {
    case PressAction::kDig: return digSound(cellAt(world, cell.col, cell.row).typeId);
    case PressAction::kPlace: return Sound::kPlace;
    case PressAction::kNothing:
    case PressAction::kPlaceNothing: break;
  }
  const bool overWorld = event.mouse.y < player.screenHeight - kHudLayout.barUp;
  return overWorld && isInGrid(cell.col, cell.row) && inReach(player, cell.col, cell.row) ? Sound::kTick
                                                                                          : Sound::kCount;
}

void cue(SoundCues* cues, Sound sound) {
  if (cues != nullptr && !cues->muted) playSound(cues->audio, sound);
}

void cueTick(SoundCues* cues, const Player& before, const Player& after, bool jumped,
             const SaveWriter* saves) {
  if (cues == nullptr) return;
  if (jumped) cue(cues, Sound::kJump);
  if (after.y > before.y) {
    if (!cues->falling) cues->fallTop = before.y;
    cues->falling = true;
  } else {
    if (cues->falling && after.y == before.y && after.y - cues->fallTop > kCellSize) cue(cues, Sound::kLand);
    cues->falling = false;
  }
  int picturesSaved = 0, picturesFailed = 0;
  takePictureResults(&picturesSaved, &picturesFailed);
  if (picturesSaved > 0) cue(cues, Sound::kPicture);
  if (saves != nullptr && saves->savesDone != cues->savesDone) cue(cues, Sound::kDone);
  if (picturesFailed > 0 || (saves != nullptr && saves->writesFailed != cues->writesFailed))
    cue(cues, Sound::kFailure);
  if (saves != nullptr) cues->savesDone = saves->savesDone, cues->writesFailed = saves->writesFailed;
}

const char* toggleMute(SoundCues* cues) {
  cues->muted = !cues->muted;
  if (cues->muted) silenceSounds(cues->audio);
  return cues->muted ? "Sound off" : "Sound on";
}
