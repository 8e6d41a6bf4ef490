// The game's computed sounds: each a short, audible burst that never clips,
// silent at both ends, and each unlike every other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/Synth.h"

namespace {

float peakOf(const std::vector<float>& samples) {
  float peak = 0.0f;
  for (float sample : samples) peak = std::max(peak, std::abs(sample));
  return peak;
}

TEST(Synth, EverySoundIsShortAudibleUnclippedAndUnlikeTheOthers) {
  std::vector<std::vector<float>> sounds;
  for (int sound = 0; sound < static_cast<int>(Sound::kCount); ++sound) {
    SCOPED_TRACE(sound);
    const std::vector<float> samples = synthesize(static_cast<Sound>(sound));
    EXPECT_GE(samples.size(), kSoundRate / 100u);
    EXPECT_LE(samples.size(), kSoundRate / 2u);
    const float peak = peakOf(samples);
    EXPECT_GT(peak, 0.1f);
    EXPECT_LT(peak, 0.98f);
    // No click where it starts or stops.
    ASSERT_FALSE(samples.empty());
    EXPECT_LT(std::abs(samples.front()), 0.01f);
    EXPECT_LT(std::abs(samples.back()), 0.01f);
    sounds.push_back(samples);
  }
  // Each pair differs by at least a fifth of the louder one's energy.
  for (size_t a = 0; a < sounds.size(); ++a)
    for (size_t b = a + 1; b < sounds.size(); ++b) {
      const size_t length = std::max(sounds[a].size(), sounds[b].size());
      sounds[a].resize(length), sounds[b].resize(length);
      double difference = 0, energyA = 0, energyB = 0;
      for (size_t i = 0; i < length; ++i) {
        difference += std::pow(sounds[a][i] - sounds[b][i], 2);
        energyA += std::pow(sounds[a][i], 2), energyB += std::pow(sounds[b][i], 2);
      }
      EXPECT_GT(difference, 0.2 * std::max(energyA, energyB)) << "sounds " << a << " and " << b;
    }
}

}  // namespace
