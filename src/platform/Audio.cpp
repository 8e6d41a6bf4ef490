// The game's sounds through the library's audio.
#include "platform/Audio.h"

#include <allegro5/allegro.h>
#include <allegro5/allegro_audio.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

struct Audio {
  ALLEGRO_SAMPLE* samples[static_cast<int>(Sound::kCount)] = {};
  ALLEGRO_SAMPLE_INSTANCE* voices[kVoices] = {};
  int next = 0;  // the voice the next sound takes: the one started longest ago
};

namespace {

// Run `step` with standard error going nowhere: the sound servers' and
// drivers' libraries write there when they find no device.
template <typename Step>
auto withoutErrorOutput(Step step) {
  std::fflush(stderr);
  const int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved >= 0 && nowhere >= 0) dup2(nowhere, STDERR_FILENO);
  const auto result = step();
  if (saved >= 0 && nowhere >= 0) dup2(saved, STDERR_FILENO);
  if (saved >= 0) close(saved);
  if (nowhere >= 0) close(nowhere);
  return result;
}

// The library's drivers hand its voice to the device in a few blocks of a
// fixed number of frames each: a voice of many frames a second keeps what
// is queued ahead of a new sound short (some 20 ms instead of 90 at 44.1 kHz).
constexpr unsigned int kVoiceRate = 192000;

// The library's default voice and mixer, at kVoiceRate if the device takes
// it, else as the library makes them. False if there are none.
bool makeDefaultMixer() {
  ALLEGRO_VOICE* voice = al_create_voice(kVoiceRate, ALLEGRO_AUDIO_DEPTH_INT16, ALLEGRO_CHANNEL_CONF_2);
  ALLEGRO_MIXER* mixer = al_create_mixer(kVoiceRate, ALLEGRO_AUDIO_DEPTH_FLOAT32, ALLEGRO_CHANNEL_CONF_2);
  if (voice != nullptr && mixer != nullptr && al_attach_mixer_to_voice(mixer, voice)) {
    al_set_default_voice(voice);
    return al_set_default_mixer(mixer);
  }
  if (mixer != nullptr) al_destroy_mixer(mixer);
  if (voice != nullptr) al_destroy_voice(voice);
  return al_reserve_samples(0);
}

// A sample of one sound as 16-bit mono; null if it cannot be made.
ALLEGRO_SAMPLE* makeSample(Sound sound) {
  const std::vector<float> samples = synthesize(sound);
  auto* data = static_cast<int16_t*>(al_malloc(samples.size() * sizeof(int16_t)));
  if (data == nullptr) return nullptr;
  for (size_t i = 0; i < samples.size(); ++i)
    data[i] = static_cast<int16_t>(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f);
  ALLEGRO_SAMPLE* sample = al_create_sample(data, static_cast<unsigned int>(samples.size()), kSoundRate,
                                            ALLEGRO_AUDIO_DEPTH_INT16, ALLEGRO_CHANNEL_CONF_1, true);
  if (sample == nullptr) al_free(data);
  return sample;
}

// Everything of `audio` made so far, freed.
void freeAudio(Audio* audio) {
  for (ALLEGRO_SAMPLE_INSTANCE* voice : audio->voices)
    if (voice != nullptr) al_destroy_sample_instance(voice);
  for (ALLEGRO_SAMPLE* sample : audio->samples)
    if (sample != nullptr) al_destroy_sample(sample);
  delete audio;
}

}  // namespace

Audio* startAudio() {
  const bool started = withoutErrorOutput([] { return al_install_audio() && makeDefaultMixer(); });
  ALLEGRO_MIXER* mixer = started ? al_get_default_mixer() : nullptr;
  if (mixer == nullptr) {
    withoutErrorOutput([] { return al_uninstall_audio(), 0; });
    return nullptr;
  }
  auto* audio = new Audio;
  bool made = true;
  for (int sound = 0; sound < static_cast<int>(Sound::kCount); ++sound)
    made = made && (audio->samples[sound] = makeSample(static_cast<Sound>(sound))) != nullptr;
  for (ALLEGRO_SAMPLE_INSTANCE*& voice : audio->voices)
    made = made && (voice = al_create_sample_instance(nullptr)) != nullptr &&
           al_attach_sample_instance_to_mixer(voice, mixer);
  if (!made) {
    freeAudio(audio);
    withoutErrorOutput([] { return al_uninstall_audio(), 0; });
    return nullptr;
  }
  return audio;
}

void stopAudio(Audio* audio) {
  if (audio == nullptr) return;
  freeAudio(audio);
  withoutErrorOutput([] { return al_uninstall_audio(), 0; });
}

void playSound(Audio* audio, Sound sound) {
  if (audio == nullptr || sound == Sound::kCount) return;
  ALLEGRO_SAMPLE_INSTANCE* voice = audio->voices[audio->next];
  audio->next = (audio->next + 1) % kVoices;
  // Taking a new sample stops the one the voice was playing.
  if (al_set_sample(voice, audio->samples[static_cast<int>(sound)])) al_play_sample_instance(voice);
}

void silenceSounds(Audio* audio) {
  if (audio == nullptr) return;
  for (ALLEGRO_SAMPLE_INSTANCE* voice : audio->voices) al_stop_sample_instance(voice);
}
