// A small X11 harness for driving a real program under its own Xvfb server:
// the server, the program's process and console, window lookup, synthetic
// input through XTest, and screenshots (programs run through ProcessRunner.h). Everything has a timeout, and
// every child process is killed and reaped by its owner's destructor (and by the kernel if the test process
// itself dies).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ProcessRunner.h"

// Xlib's own declarations of these two, so that this header stays free of
// Xlib's macros (None, Bool, Status...), which clash with other libraries.
typedef struct _XDisplay Display;
typedef unsigned long Window;

namespace xharness {

constexpr Window kNoWindow = 0;

// An Xvfb server on a free display number, with one client connection.
class XvfbServer {
 public:
  explicit XvfbServer(int width = 1920, int height = 1200, int depth = 24);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool ok() const { return display_ != nullptr; }
  const std::string& name() const { return name_; }  // ":N"
  Display* display() const { return display_; }

 private:
  void stop();

  pid_t pid_ = -1;
  std::string name_;
  Display* display_ = nullptr;
};

struct Size {
  int width = 0;
  int height = 0;
};

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
  bool operator==(const Rgb&) const = default;
};

// The game's colours as a capture shows them.
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kSkyTile{125, 125, 255};
constexpr Rgb kDirtTile{160, 100, 25};
constexpr Rgb kGrassTile{0, 255, 0};
constexpr Rgb kStoneTile{125, 125, 125};
constexpr Rgb kGoldTile{255, 255, 0};
constexpr Rgb kButtonGrey{165, 165, 165};
constexpr Rgb kSpriteColour{0, 125, 125};

// Whether two colours differ by at most `tolerance` in every channel.
bool near(Rgb a, Rgb b, int tolerance = 2);

// An RGB screenshot, 3 bytes per pixel, rows top to bottom.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  bool empty() const { return width <= 0 || height <= 0; }
  Rgb pixel(int x, int y) const;  // out of range gives (-1, -1, -1)
  bool savePpm(const std::string& path) const;
};

// Top-level viewable windows whose WM_NAME or _NET_WM_NAME is `title`.
std::vector<Window> windowsWithTitle(Display* dpy, const std::string& title);
// Polls for such a window; returns kNoWindow on timeout.
Window findWindow(Display* dpy, const std::string& title, Millis timeout);
Size windowSize(Display* dpy, Window w);
// Polls until a window of this title has exactly this size; kNoWindow on timeout.
Window waitForWindowSize(Display* dpy, const std::string& title, int width, int height, Millis timeout);
// The window's icons (_NET_WM_ICON): for each, its width, its height and its
// pixels as 0xAARRGGBB, row by row; empty when it has none.
std::vector<unsigned long> windowIcons(Display* dpy, Window w);
// Whether the window asks for no decorations through _MOTIF_WM_HINTS. Programs
// set that hint only when a window manager has made the atom known; the
// server's connection does that at start, as a window manager would.
bool windowIsFrameless(Display* dpy, Window w);

// What a window manager's close button sends: WM_PROTOCOLS / WM_DELETE_WINDOW.
void sendCloseRequest(Display* dpy, Window w);

// Synthetic input through XTest; positions are relative to the window.
void movePointer(Display* dpy, Window w, int x, int y);
void click(Display* dpy, Window w, int x, int y, unsigned button = 1);
// Moves the pointer over the window (keyboard focus follows the pointer when
// there is no window manager) and gives it the input focus as well.
void focusWindow(Display* dpy, Window w);
void keyDown(Display* dpy, unsigned long keysym);
void keyUp(Display* dpy, unsigned long keysym);
void tapKey(Display* dpy, unsigned long keysym);

// The window's contents; empty if the window is gone.
Image captureWindow(Display* dpy, Window w);
// Captures until `accept` holds for a capture; returns whether it did. The
// last capture is left in `last` if given.
bool waitForImage(Display* dpy, Window w, const std::function<bool(const Image&)>& accept, Millis timeout,
                  Image* last = nullptr);

// Creates a directory and its parents; returns false on failure.
bool makeDirectories(const std::string& path);

}  // namespace xharness
