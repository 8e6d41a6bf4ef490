// The harness checked against a window and a program of our own, so that a
// failing game test points at the game and not at the tools that watch it.

#include "Artifacts.h"
#include "X11Harness.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros must not reach gtest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace xharness;
using std::chrono::milliseconds;

namespace {

// A plain window on its own client connection, half red and half blue.
struct ProbeWindow {
  Display* dpy = nullptr;
  Window window = None;

  ProbeWindow(const std::string& displayName, const char* title, int width, int height) {
    dpy = XOpenDisplay(displayName.c_str());
    if (!dpy) return;
    const int screen = DefaultScreen(dpy);
    window = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, width, height, 0, 0, 0);
    XStoreName(dpy, window, title);
    Atom deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, window, &deleteWindow, 1);
    XSelectInput(dpy, window, ExposureMask | ButtonPressMask | KeyPressMask | StructureNotifyMask);
    XMapWindow(dpy, window);
    XEvent ev;
    do XNextEvent(dpy, &ev);
    while (ev.type != Expose);
    Visual* visual = DefaultVisual(dpy, screen);
    GC gc = XCreateGC(dpy, window, 0, nullptr);
    XSetForeground(dpy, gc, visual->red_mask);
    XFillRectangle(dpy, window, gc, 0, 0, width / 2, height);
    XSetForeground(dpy, gc, visual->blue_mask);
    XFillRectangle(dpy, window, gc, width / 2, 0, width - width / 2, height);
    XFreeGC(dpy, gc);
    XSync(dpy, False);
  }
  ~ProbeWindow() {
    if (dpy) XCloseDisplay(dpy);
  }

  // The next event of one of the given types, within a timeout.
  bool nextEvent(int type, XEvent& ev, milliseconds timeout = milliseconds(3000)) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      while (XPending(dpy)) {
        XNextEvent(dpy, &ev);
        if (ev.type == type) return true;
      }
      std::this_thread::sleep_for(milliseconds(10));
    }
    return false;
  }
};

TEST(X11Harness, FindsCapturesAndDrivesAWindow) {
  XvfbServer xvfb;
  ASSERT_TRUE(xvfb.ok());
  Display* dpy = xvfb.display();
  EXPECT_EQ(xvfb.name().front(), ':');
  ProbeWindow probe(xvfb.name(), "harness probe", 200, 100);
  ASSERT_NE(probe.dpy, nullptr);

  EXPECT_EQ(findWindow(dpy, "no such window", milliseconds(100)), None);
  Window w = findWindow(dpy, "harness probe", milliseconds(5000));
  ASSERT_EQ(w, probe.window);
  EXPECT_EQ(waitForWindowSize(dpy, "harness probe", 200, 100, milliseconds(2000)), w);
  EXPECT_EQ(waitForWindowSize(dpy, "harness probe", 201, 100, milliseconds(100)), None);

  Image img = captureWindow(dpy, w);
  ASSERT_EQ(img.width, 200);
  ASSERT_EQ(img.height, 100);
  EXPECT_EQ(img.pixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(img.pixel(99, 99), (Rgb{255, 0, 0}));
  EXPECT_EQ(img.pixel(100, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(img.pixel(199, 99), (Rgb{0, 0, 255}));
  EXPECT_EQ(img.pixel(200, 0), (Rgb{-1, -1, -1}));

  const fs::path ppm = fs::temp_directory_path() / ("harness-" + std::to_string(getpid()) + ".ppm");
  ASSERT_TRUE(img.savePpm(ppm.string()));
  {
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, max = 0;
    in >> magic >> width >> height >> max;
    in.get();
    EXPECT_EQ(magic, "P6");
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 100);
    EXPECT_EQ(max, 255);
    char first[3] = {};
    in.read(first, 3);
    EXPECT_EQ(static_cast<unsigned char>(first[0]), 255);
    EXPECT_EQ(first[2], 0);
  }
  EXPECT_EQ(fs::file_size(ppm), 15u + 200u * 100u * 3u);
  fs::remove(ppm);

  EXPECT_FALSE(windowIsFrameless(dpy, w));
  long hints[5] = {2, 0, 0, 0, 0};  // decorations in use, and none wanted
  XChangeProperty(probe.dpy, probe.window, XInternAtom(probe.dpy, "_MOTIF_WM_HINTS", False),
                  XInternAtom(probe.dpy, "_MOTIF_WM_HINTS", False), 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(hints), 5);
  XSync(probe.dpy, False);
  EXPECT_TRUE(windowIsFrameless(dpy, w));

  XEvent ev;
  click(dpy, w, 150, 40, 3);
  ASSERT_TRUE(probe.nextEvent(ButtonPress, ev));
  EXPECT_EQ(ev.xbutton.x, 150);
  EXPECT_EQ(ev.xbutton.y, 40);
  EXPECT_EQ(ev.xbutton.button, 3u);

  focusWindow(dpy, w);
  tapKey(dpy, XK_d);
  ASSERT_TRUE(probe.nextEvent(KeyPress, ev));
  EXPECT_EQ(XLookupKeysym(&ev.xkey, 0), static_cast<KeySym>(XK_d));

  sendCloseRequest(dpy, w);
  ASSERT_TRUE(probe.nextEvent(ClientMessage, ev));
  EXPECT_EQ(ev.xclient.message_type, XInternAtom(dpy, "WM_PROTOCOLS", False));
  EXPECT_EQ(static_cast<Atom>(ev.xclient.data.l[0]), XInternAtom(dpy, "WM_DELETE_WINDOW", False));

  XDestroyWindow(probe.dpy, probe.window);
  XSync(probe.dpy, False);
  EXPECT_TRUE(captureWindow(dpy, w).empty());
  EXPECT_FALSE(windowViewable(dpy, w));
}

TEST(X11Harness, TwoServersGetTheirOwnDisplays) {
  XvfbServer a, b;
  ASSERT_TRUE(a.ok());
  ASSERT_TRUE(b.ok());
  EXPECT_NE(a.name(), b.name());
}

class ProcessHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir("harness-script");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string script(const std::string& body) {
    const fs::path path = dir_ / "program.sh";
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
  }

  fs::path dir_;
};

TEST_F(ProcessHarness, ReadsTheConsoleAndTheExitStatus) {
  GameProcess p(script("printf 'first\\n'; sleep 0.2; echo \"$DISPLAY $(pwd)\"; echo oops >&2; "
                       "printf 'no newline'; exit 3\n"),
                dir_.string(), ":42");
  ASSERT_TRUE(p.started());
  EXPECT_TRUE(p.waitForLine("first", milliseconds(5000)));
  EXPECT_FALSE(p.waitForLine("never printed", milliseconds(50)));
  EXPECT_EQ(p.waitForExit(milliseconds(5000)), 3);
  EXPECT_EQ(p.lines(), (std::vector<std::string>{"first", ":42 " + dir_.string(), "oops"}));
  EXPECT_EQ(p.output().substr(p.output().size() - 10), "no newline");
  std::chrono::steady_clock::time_point first;
  ASSERT_TRUE(p.lineTime("first", first));
  EXPECT_GE(p.exitTime() - first, milliseconds(150));
  EXPECT_FALSE(p.waitForLine("anything", milliseconds(5000))) << "output has ended";
}

TEST_F(ProcessHarness, TimesOutAndKillsARunawayProgram) {
  pid_t pid;
  {
    GameProcess p(script("echo up\nexec sleep 60\n"), dir_.string(), ":0");
    ASSERT_TRUE(p.started());
    pid = p.pid();
    EXPECT_TRUE(p.waitForLine("up", milliseconds(5000)));
    EXPECT_EQ(p.waitForExit(milliseconds(100)), -1);
    EXPECT_TRUE(p.running());
  }
  EXPECT_NE(kill(pid, 0), 0) << "the child outlived its owner";
}

}  // namespace
