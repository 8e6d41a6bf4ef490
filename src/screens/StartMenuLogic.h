// The start screen's buttons and the choice they build up.
#pragma once

struct StartButton {
  const char* label;
  int left, top;       // top-left corner of the 80 x 40 tile
  int labelX, labelY;  // label centre x and top y
};

constexpr int kStartButtonWidth = 80;
constexpr int kStartButtonHeight = 40;
constexpr int kStartButtons = 6;
enum StartButtonId { k1280x768, k1440x900, k1680x1050, kFullscreen, kNewWorld, kLoadWorld };

extern const StartButton kStartButtonTable[kStartButtons];

// The button a click at (x, y) lies strictly inside, or -1.
int hitStartButton(int x, int y);

// The choice while the menus run.
struct StartChoice {
  int width;  // pending display size
  int height;
  bool frameless;  // "Fullscreen": the monitor's extent, no frame
  bool loadRequested;
  bool finished;  // "New World" or "Load World" was pressed
};

// The size button the choice stands for: the last size picked, Fullscreen
// once picked until another size is, 1440x900 (the size a start without a
// pick uses) before any pick; -1 for a size no button offers.
int pickedSizeButton(const StartChoice& choice);

// Apply one button press.
StartChoice applyStartButton(StartChoice choice, int button);

// The final display size: the pending size, or for a frameless display the
// monitor's extent plus one pixel each way. When the monitor's extent is not
// known (or empty), a frameless choice keeps the pending size in a window
// with a frame. Returns whether the display is frameless.
bool chosenDisplaySize(const StartChoice& choice, bool monitorKnown, int monitorX1, int monitorY1,
                       int monitorX2, int monitorY2, int* width, int* height);
