// The game's sounds, computed from a few layers of noise and tones each.
#include "platform/Synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <numbers>

namespace {

enum class Wave { kSine, kSquare, kNoise };

// One layer of a sound: a wave from startHz to endHz (a glide; for noise, the
// cut-off of its low-pass filter), starting `delay` seconds in, lasting
// `length` seconds, falling away at `decay` per second after a 2 ms attack.
struct Layer {
  Wave wave;
  double startHz, endHz;
  double delay, length;
  double decay;
  double level;
};

struct Recipe {
  Sound sound;
  Layer layers[3];  // unused ones have no length
};

// How each sound is made.
constexpr Recipe kRecipes[] = {
    // grass: a soft rustle, noise through a low filter
    {Sound::kDigGrass, {{Wave::kNoise, 1800, 900, 0, 0.12, 30, 0.7}}},
    // dirt: a dull thud, darker noise over a low tone falling away
    {Sound::kDigDirt, {{Wave::kNoise, 500, 300, 0, 0.14, 25, 0.6}, {Wave::kSine, 110, 70, 0, 0.14, 30, 0.4}}},
    // stone: a hard crack, bright noise and a ringing knock
    {Sound::kDigStone,
     {{Wave::kNoise, 9000, 6000, 0, 0.09, 45, 0.3}, {Wave::kSine, 1250, 900, 0, 0.12, 35, 0.4}}},
    // gold: a bell, two high tones a fifth apart that ring on
    {Sound::kDigGold,
     {{Wave::kSine, 1320, 1320, 0, 0.35, 10, 0.45}, {Wave::kSine, 1980, 1980, 0.02, 0.3, 12, 0.35}}},
    // place: a short falling thump with a tap of noise on top
    {Sound::kPlace,
     {{Wave::kSine, 220, 120, 0, 0.09, 40, 0.7}, {Wave::kNoise, 3000, 3000, 0, 0.02, 150, 0.25}}},
    // tick: a faint high click
    {Sound::kTick, {{Wave::kSine, 2200, 2000, 0, 0.02, 150, 0.25}}},
    // jump: a rising chirp
    {Sound::kJump, {{Wave::kSine, 300, 650, 0, 0.13, 14, 0.55}}},
    // land: a low falling bump with a puff of noise
    {Sound::kLand, {{Wave::kSine, 140, 60, 0, 0.11, 30, 0.7}, {Wave::kNoise, 700, 400, 0, 0.06, 50, 0.35}}},
    // done: two rising notes
    {Sound::kDone, {{Wave::kSine, 660, 660, 0, 0.09, 20, 0.5}, {Wave::kSine, 990, 990, 0.09, 0.12, 20, 0.5}}},
    // failure: a low buzz that sinks
    {Sound::kFailure, {{Wave::kSquare, 220, 140, 0, 0.3, 6, 0.35}}},
    // picture: a shutter, two sharp clicks of noise
    {Sound::kPicture,
     {{Wave::kNoise, 8000, 8000, 0, 0.03, 120, 0.6}, {Wave::kNoise, 5000, 5000, 0.07, 0.04, 100, 0.5}}},
};
static_assert(std::size(kRecipes) == static_cast<size_t>(Sound::kCount));

constexpr double kAttack = 0.002;   // seconds to full level
constexpr double kRelease = 0.005;  // seconds to silence at a layer's end

// Add one layer into `out`; the noise is the same on every start.
void addLayer(const Layer& layer, std::vector<float>* out) {
  const int first = static_cast<int>(layer.delay * kSoundRate);
  const int count = static_cast<int>(layer.length * kSoundRate);
  uint32_t seed = 0x2545f491u;
  double phase = 0.0, filtered = 0.0;
  for (int i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / kSoundRate;
    const double hz = layer.startHz + (layer.endHz - layer.startHz) * t / layer.length;
    double value = 0.0;
    switch (layer.wave) {
      case Wave::kSine: value = std::sin(phase); break;
      case Wave::kSquare: value = std::sin(phase) + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5; break;
      case Wave::kNoise: {
        seed = seed * 1664525u + 1013904223u;
        const double white = static_cast<double>(seed >> 8) / (1u << 23) - 1.0;
        filtered += (white - filtered) * (1.0 - std::exp(-2 * std::numbers::pi * hz / kSoundRate));
        value = filtered * 2.0;
        break;
      }
    }
    phase += 2 * std::numbers::pi * hz / kSoundRate;
    const double envelope =
        std::min({1.0, t / kAttack, (layer.length - t) / kRelease}) * std::exp(-layer.decay * t);
    (*out)[first + i] += static_cast<float>(value * envelope * layer.level);
  }
}

}  // namespace

std::vector<float> synthesize(Sound sound) {
  const Recipe* found = std::find_if(std::begin(kRecipes), std::end(kRecipes),
                                     [sound](const Recipe& recipe) { return recipe.sound == sound; });
  if (found == std::end(kRecipes)) return {};
  const Recipe& recipe = *found;
  double end = 0.0;
  for (const Layer& layer : recipe.layers) end = std::max(end, layer.delay + layer.length);
  std::vector<float> samples(static_cast<size_t>(end * kSoundRate) + 1, 0.0f);
  for (const Layer& layer : recipe.layers)
    if (layer.length > 0) addLayer(layer, &samples);
  return samples;
}
