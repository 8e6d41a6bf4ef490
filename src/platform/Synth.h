// The game's sounds, computed from a few layers of noise and tones each:
// plain numbers, no device.
#pragma once

#include <vector>

// Every sound the game makes.
enum class Sound {
  kDigGrass,
  kDigDirt,
  kDigStone,
  kDigGold,
  kPlace,
  kTick,  // a press in reach that could not act
  kJump,
  kLand,
  kDone,     // a Save or a Load went through
  kFailure,  // a save, load or picture failed
  kPicture,
  kCount
};

constexpr int kSoundRate = 44100;  // samples a second, one channel

// The samples of `sound`, silent at both ends; none for kCount.
std::vector<float> synthesize(Sound sound);
