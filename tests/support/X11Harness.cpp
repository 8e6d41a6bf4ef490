#include "X11Harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace xharness {
namespace {

using Clock = std::chrono::steady_clock;

void sleepMs(int ms) { std::this_thread::sleep_for(Millis(ms)); }

// Windows come and go under our feet (the start window is destroyed while we
// look at it); a request on a vanished window must not end the test process.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

bool fileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

pid_t lockOwner(int number) {
  std::ifstream lock("/tmp/.X" + std::to_string(number) + "-lock");
  long pid = 0;
  lock >> pid;
  return lock ? static_cast<pid_t>(pid) : -1;
}

std::string windowTitle(Display* dpy, Window w, Atom netWmName, Atom utf8) {
  std::string title;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, w, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    if (type == utf8 && format == 8) title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  if (!title.empty()) return title;
  char* name = nullptr;
  if (XFetchName(dpy, w, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

// A property of 32-bit values (Xlib hands them over as longs), empty if unset.
std::vector<unsigned long> longsProperty(Display* dpy, Window w, const char* name, long most) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, most, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) == Success &&
      data) {
    const unsigned long* fields = reinterpret_cast<const unsigned long*>(data);
    if (format == 32) values.assign(fields, fields + count);
    XFree(data);
  }
  return values;
}

// One 8-bit channel of a pixel: the servers here are all 24 bits deep.
std::uint8_t channel(unsigned long value, unsigned long mask) {
  return static_cast<std::uint8_t>((value & mask) >> std::countr_zero(mask));
}

}  // namespace

// ---------------------------------------------------------------- XvfbServer

XvfbServer::XvfbServer(int width, int height, int depth) {
  XSetErrorHandler(ignoreXErrors);
  const std::string screen =
      std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  const int first = 100 + static_cast<int>((getpid() * 7) % 800);
  const auto giveUp = Clock::now() + Millis(30000);
  for (int attempt = 0; attempt < 40 && !display_ && Clock::now() < giveUp; ++attempt) {
    const int number = 100 + (first - 100 + attempt) % 800;
    const std::string n = std::to_string(number);
    if (fileExists("/tmp/.X11-unix/X" + n) || fileExists("/tmp/.X" + n + "-lock")) continue;
    const std::string name = ":" + n;

    std::vector<std::string> args = {"Xvfb", name, "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return;
    if (pid == 0) {
      dieWithParent(parent);
      int devNull = open("/dev/null", O_RDWR);
      if (devNull >= 0) {
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
      }
      setpgid(0, 0);  // keep terminal signals meant for the test away from it
      execvp(argv[0], argv.data());
      _exit(127);
    }

    // Ready when our own server holds the lock and accepts a client.
    // Another server may win the same number at the same moment: then
    // ours exits and we move on to the next number.
    const auto deadline = std::min(Clock::now() + Millis(15000), giveUp);
    bool exited = false;
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        exited = true;
        break;
      }
      if (lockOwner(number) == pid) {
        if (Display* dpy = XOpenDisplay(name.c_str())) {
          XInternAtom(dpy, "_MOTIF_WM_HINTS", False);
          pid_ = pid;
          name_ = name;
          display_ = dpy;
          break;
        }
      }
      sleepMs(20);
    }
    if (!display_ && !exited) reap(pid, Millis(2000));
  }
}

XvfbServer::~XvfbServer() { stop(); }

void XvfbServer::stop() {
  if (display_) {
    XCloseDisplay(display_);
    display_ = nullptr;
  }
  if (pid_ > 0) {
    reap(pid_, Millis(3000));
    pid_ = -1;
  }
}

// ------------------------------------------------------------------- Windows

bool near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

std::vector<Window> windowsWithTitle(Display* dpy, const std::string& title) {
  std::vector<Window> found;
  Window root = DefaultRootWindow(dpy), parent = None, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(dpy, root, &root, &parent, &children, &count)) return found;
  Atom netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy, children[i], &attrs) || attrs.map_state != IsViewable) continue;
    if (windowTitle(dpy, children[i], netWmName, utf8) == title) found.push_back(children[i]);
  }
  if (children) XFree(children);
  return found;
}

Window findWindow(Display* dpy, const std::string& title, Millis timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    auto found = windowsWithTitle(dpy, title);
    if (!found.empty()) return found.back();
    if (Clock::now() >= deadline) return None;
    sleepMs(20);
  }
}

Size windowSize(Display* dpy, Window w) {
  XWindowAttributes attrs;
  if (w == None || !XGetWindowAttributes(dpy, w, &attrs)) return {};
  return {attrs.width, attrs.height};
}

bool windowIsFrameless(Display* dpy, Window w) {
  // flags, functions, decorations, input mode, status; flag 2 means the
  // decorations field is in use.
  const auto fields = longsProperty(dpy, w, "_MOTIF_WM_HINTS", 5);
  return fields.size() >= 3 && (fields[0] & 2) && fields[2] == 0;
}

std::vector<unsigned long> windowIcons(Display* dpy, Window w) {
  return longsProperty(dpy, w, "_NET_WM_ICON", 1 << 20);
}

Window waitForWindowSize(Display* dpy, const std::string& title, int width, int height, Millis timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    for (Window w : windowsWithTitle(dpy, title)) {
      Size s = windowSize(dpy, w);
      if (s.width == width && s.height == height) return w;
    }
    if (Clock::now() >= deadline) return None;
    sleepMs(20);
  }
}

void sendCloseRequest(Display* dpy, Window w) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, w, False, NoEventMask, &ev);
  XSync(dpy, False);
}

// --------------------------------------------------------------------- Input

void movePointer(Display* dpy, Window w, int x, int y) {
  int rootX = x, rootY = y;
  Window child = None;
  XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), x, y, &rootX, &rootY, &child);
  XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rootX, rootY, CurrentTime);
  XSync(dpy, False);
  sleepMs(30);
}

void click(Display* dpy, Window w, int x, int y, unsigned button) {
  movePointer(dpy, w, x, y);
  XTestFakeButtonEvent(dpy, button, True, CurrentTime);
  XSync(dpy, False);
  sleepMs(50);
  XTestFakeButtonEvent(dpy, button, False, CurrentTime);
  XSync(dpy, False);
  sleepMs(30);
}

void focusWindow(Display* dpy, Window w) {
  Size s = windowSize(dpy, w);
  movePointer(dpy, w, s.width / 2, s.height / 3);
  XSetInputFocus(dpy, w, RevertToPointerRoot, CurrentTime);
  XSync(dpy, False);
  sleepMs(50);
}

void keyDown(Display* dpy, unsigned long keysym) {
  XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, keysym), True, CurrentTime);
  XSync(dpy, False);
}

void keyUp(Display* dpy, unsigned long keysym) {
  XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, keysym), False, CurrentTime);
  XSync(dpy, False);
}

void tapKey(Display* dpy, unsigned long keysym) {
  keyDown(dpy, keysym);
  sleepMs(60);
  keyUp(dpy, keysym);
  sleepMs(30);
}

// --------------------------------------------------------------- Screenshots

Rgb Image::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
  const std::uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

bool Image::savePpm(const std::string& path) const {
  if (empty()) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", width, height);
  bool ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
  return std::fclose(f) == 0 && ok;
}

Image captureWindow(Display* dpy, Window w) {
  Image image;
  Size s = windowSize(dpy, w);
  if (s.width <= 0 || s.height <= 0) return image;
  XImage* x = XGetImage(dpy, w, 0, 0, s.width, s.height, AllPlanes, ZPixmap);
  if (!x) return image;
  image.width = s.width;
  image.height = s.height;
  image.rgb.resize(static_cast<size_t>(s.width) * s.height * 3);
  const bool fast = x->bits_per_pixel == 32 && x->byte_order == LSBFirst;
  std::uint8_t* out = image.rgb.data();
  for (int y = 0; y < s.height; ++y) {
    const auto* row =
        reinterpret_cast<const std::uint8_t*>(x->data) + static_cast<size_t>(y) * x->bytes_per_line;
    for (int i = 0; i < s.width; ++i) {
      unsigned long v;
      if (fast) {
        const std::uint8_t* p = row + 4 * i;
        v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
      } else {
        v = XGetPixel(x, i, y);
      }
      *out++ = channel(v, x->red_mask);
      *out++ = channel(v, x->green_mask);
      *out++ = channel(v, x->blue_mask);
    }
  }
  XDestroyImage(x);
  return image;
}

bool waitForImage(Display* dpy, Window w, const std::function<bool(const Image&)>& accept, Millis timeout,
                  Image* last) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    Image image = captureWindow(dpy, w);
    bool good = !image.empty() && accept(image);
    if (last) *last = std::move(image);
    if (good) return true;
    if (Clock::now() >= deadline) return false;
    sleepMs(50);
  }
}

bool makeDirectories(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

}  // namespace xharness
