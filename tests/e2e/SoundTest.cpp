// The game's sounds as its audio writes them into a WAV file instead of a
// device (the audio library's own "wave" output, chosen by its configuration).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "GameFixture.h"

namespace gametest {
namespace {

constexpr float kSilent = 0.01f;  // louder than this is a sound
#ifdef TESSALY_SANITIZED
constexpr int kOnsetMs = 600;  // sanitized, the game reacts slowly: here only the races are checked
#else
constexpr int kOnsetMs = 100;  // a sound starts this soon after its event
#endif
constexpr size_t kRate = 44100;  // samples a second in the capture

class Sound : public GameTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(GameTest::SetUp());
    wav_ = workDir_ / "capture.wav";
    std::ofstream(workDir_ / "alsoft.conf")
        << "[general]\ndrivers=wave\nchannels=mono\nsample-type=float32\nfrequency=" << kRate
        << "\nperiod_size=256\nperiods=2\n[wave]\nfile=" << wav_.string() << "\n";
    environment_ = {"ALSOFT_CONF=" + (workDir_ / "alsoft.conf").string()};
  }

  // The capture so far, one level a sample: the configuration asks for mono 32-bit floats.
  std::vector<float> levels() {
    std::ifstream in(wav_, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    const size_t data = bytes.find("data");
    std::vector<float> levels(data == std::string::npos ? 0 : (bytes.size() - data - 8) / 4);
    if (!levels.empty()) std::memcpy(levels.data(), bytes.data() + data + 8, levels.size() * 4);
    for (float& level : levels) level = std::abs(level);
    return levels;
  }
  // Samples captured so far, counted just as the file grew: none on their way.
  size_t captured() {
    const auto before = fs::file_size(wav_);
    for (int ms = 0; ms < 1000 && fs::file_size(wav_) == before; ++ms) pause(1);
    return levels().size();
  }

  // The loudest level in `ms` milliseconds from frame `from` on.
  float loudest(size_t from, int ms) {
    const std::vector<float> all = levels();
    const size_t end = std::min(all.size(), from + static_cast<size_t>(ms) * kRate / 1000);
    return from >= end ? -1.0f : *std::max_element(all.begin() + from, all.begin() + end);
  }
  // Milliseconds from frame `from` to the first sound, or -1.
  int msToSound(size_t from) {
    const std::vector<float> all = levels();
    for (size_t at = from; at < all.size(); ++at)
      if (all[at] > kSilent) return static_cast<int>((at - from) * 1000 / kRate);
    return -1;
  }

  fs::path wav_;
};

TEST_F(Sound, SilentStandingStillHeardAtOnceOnADigAndAJumpSilentAfterF2) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  pause(500);  // the landing's sound is over
  const size_t still = captured();
  pause(1000);
  EXPECT_LT(loudest(still, 900), kSilent) << "a sound while the player stands still";

  // The player stands on column 3; the grass below columns 4 and 5 is in reach.
  const size_t beforeDig = captured();
  click(dpy_, window_, 55, 475);
  ASSERT_TRUE(waitForCell(50, 470, kBlack)) << "the grass was not dug";
  pause(kOnsetMs + 200);
  const int digMs = msToSound(beforeDig);
  EXPECT_TRUE(digMs >= 0 && digMs <= kOnsetMs) << "the dig was heard after " << digMs << " ms";

  const size_t beforeJump = captured();
  holdKey(XK_w, 100);
  pause(kOnsetMs + 200);
  const int jumpMs = msToSound(beforeJump);
  EXPECT_TRUE(jumpMs >= 0 && jumpMs <= kOnsetMs) << "the jump was heard after " << jumpMs << " ms";
  ASSERT_TRUE(waitUntilResting(30));

  tapKey(dpy_, XK_F2);
  pause(500);
  const size_t muted = captured();
  click(dpy_, window_, 45, 475);
  ASSERT_TRUE(waitForCell(40, 470, kBlack)) << "the second grass was not dug";
  pause(500);
  EXPECT_LT(loudest(muted, 500), kSilent) << "a sound after F2";
  std::printf("dig heard after %d ms, jump after %d ms\n", digMs, jumpMs);
}

}  // namespace
}  // namespace gametest
