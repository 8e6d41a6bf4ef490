// The start screen's buttons and the choice they build up.
#include "screens/StartMenuLogic.h"

const StartButton kStartButtonTable[kStartButtons] = {
    {"1280x768", 50, 50, 90, 63},     {"1440x900", 200, 50, 240, 63},    {"1680x1050", 350, 50, 390, 63},
    {"Fullscreen", 500, 50, 540, 63}, {"New World", 215, 160, 255, 173}, {"Load World", 340, 160, 380, 173},
};

int hitStartButton(int x, int y) {
  for (int id = 0; id < kStartButtons; ++id) {
    const StartButton& b = kStartButtonTable[id];
    if (b.left < x && x < b.left + kStartButtonWidth && b.top < y && y < b.top + kStartButtonHeight)
      return id;
  }
  return -1;
}

int pickedSizeButton(const StartChoice& choice) {
  if (choice.frameless) return kFullscreen;
  const int sizes[][3] = {{1280, 768, k1280x768}, {1440, 900, k1440x900}, {1680, 1050, k1680x1050}};
  for (const auto& size : sizes)
    if (choice.width == size[0] && choice.height == size[1]) return size[2];
  return -1;
}

StartChoice applyStartButton(StartChoice choice, int button) {
  switch (button) {
    case k1280x768: choice = {1280, 768, false, choice.loadRequested, false}; break;
    case k1440x900: choice = {1440, 900, false, choice.loadRequested, false}; break;
    case k1680x1050: choice = {1680, 1050, false, choice.loadRequested, false}; break;
    case kFullscreen: choice.frameless = true; break;
    case kNewWorld: choice.finished = true; break;
    case kLoadWorld:
      choice.loadRequested = true;
      choice.finished = true;
      break;
    default: break;
  }
  return choice;
}

bool chosenDisplaySize(const StartChoice& choice, bool monitorKnown, int monitorX1, int monitorY1,
                       int monitorX2, int monitorY2, int* width, int* height) {
  *width = choice.width;
  *height = choice.height;
  if (!choice.frameless || !monitorKnown || monitorX2 < monitorX1 || monitorY2 < monitorY1) return false;
  *width = monitorX2 - monitorX1 + 1;
  *height = monitorY2 - monitorY1 + 1;
  return true;
}
