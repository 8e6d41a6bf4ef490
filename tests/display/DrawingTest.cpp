// Whole frames and the start screen as the window shows them after a flip:
// drawn on the main thread, and drawn by the real render thread.
#include <gtest/gtest.h>

#include <algorithm>

#include "DisplaySupport.h"
#include "render/Frame.h"
#include "screens/StartMenu.h"
#include "screens/StartMenuLogic.h"

using namespace displaytest;

namespace {

constexpr int kWidth = 1440, kHeight = 900;

// A player position on a 1440 x 900 screen and what the frame must show:
// the world pixel at the screen's top-left, the sprite, the cells' bottom.
struct FrameCase {
  const char* name;
  float x, y;
  int viewLeft, viewTop;
  int spriteX, spriteY;
  int cellsBottom;
};

const FrameCase kFrameCases[] = {
    {"Start", 30.0f, 800.0f, 0, 350, 30, 450, 860},
    {"OffGrid", 1002.5f, 2003.7f, 282, 1553, 720, 450, 857},
    {"RightEdge", 7187.5f, 2000.0f, 5760, 1550, 1427, 450, 860},
    {"BottomEdge", 3600.0f, 4720.0f, 2880, 3950, 720, 770, 850},
    {"TopEdge", 3600.0f, -95.5f, 2880, 0, 720, -95, 850},
};

// Checks a captured frame pixel by pixel: the cells of the world, the sprite
// over them, black below the cells, and only the band's elements from H - 50.
void expectFrame(const Image& image, const FrameCase& c, const GameScene& scene) {
  ASSERT_EQ(image.width, kWidth);
  ASSERT_EQ(image.height, kHeight);
  const std::vector<Box> hud = hudElementBoxes(scene.shell.player, scene.shell.font);
  const Box sprite{c.spriteX, c.spriteY, c.spriteX + 10, c.spriteY + 20};
  Mismatches wrong;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const Rgb seen = image.pixel(x, y);
      if (y < kHeight - 50 && sprite.contains(x, y)) {
        wrong.check(seen == kSpriteColour, x, y, seen, "the sprite");
      } else if (y < std::min(c.cellsBottom, kHeight - 50)) {
        const Cell& cell = cellAt(*scene.world, (x + c.viewLeft) / 10, (y + c.viewTop) / 10);
        wrong.check(seen == kKindColour[cell.typeId], x, y, seen, "the cell's tile");
      } else if (y < kHeight - 40) {
        wrong.check(seen == kBlack, x, y, seen, "black");
      } else if (seen != kBlack) {
        const bool inHud =
            std::any_of(hud.begin(), hud.end(), [&](const Box& b) { return b.contains(x, y); });
        wrong.check(inHud, x, y, seen, "black outside the band's elements");
      }
    }
  EXPECT_EQ(wrong.count(), 0) << wrong.summary();
  EXPECT_EQ(image.pixel(138, kHeight - 38), kDirtTile) << "the marker of slot 1";
  EXPECT_EQ(image.pixel(kWidth - 30, kHeight - 24), kButtonGrey) << "the Load button";
  if (testing::Test::HasFailure()) saveArtifact(image, "");
}

// Waits until the window shows the Load button, and the sprite where the
// case puts it when that is on screen.
Image captureFrame(const GameScene& scene, const FrameCase& c) {
  return captureDisplay(scene.shell.display, [&](const Image& image) {
    return image.pixel(kWidth - 30, kHeight - 24) == kButtonGrey &&
           (c.spriteY < 0 || image.pixel(c.spriteX + 5, c.spriteY + 5) == kSpriteColour);
  });
}

// Names a case in failure messages.
void PrintTo(const FrameCase& c, std::ostream* out) { *out << c.name; }

class FrameDrawing : public testing::TestWithParam<FrameCase> {};

TEST_P(FrameDrawing, ShowsCellsSpriteAndBandAfterTheFlip) {
  const FrameCase& c = GetParam();
  GameScene scene(kWidth, kHeight);
  ASSERT_TRUE(scene.ok());
  CellMap map;
  ASSERT_TRUE(createCellMap(&map, scene.shell.catalogue));
  scene.shell.player.x = c.x;
  scene.shell.player.y = c.y;
  drawFrame(scene.shell.player, scene.shell.renderContext, &map);
  al_flip_display();
  expectFrame(captureFrame(scene, c), c, scene);
  destroyCellMap(&map);
}

INSTANTIATE_TEST_SUITE_P(Positions, FrameDrawing, testing::ValuesIn(kFrameCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The game's own render thread on a real display: it takes the display,
// draws a frame per tick from the stored record, and gives it back when stopped.
TEST(RenderThreadOnDisplay, DrawsTheStoredRecordAndEndsWhenStopped) {
  GameScene scene(kWidth, kHeight);
  ASSERT_TRUE(scene.ok());
  Shell& shell = scene.shell;
  const FrameCase moved{"Moved", 50.0f, 800.0f, 0, 350, 50, 450, 860};
  {
    Watchdog watchdog(60, "the render thread");
    al_set_target_bitmap(nullptr);
    shell.renderThread = al_create_thread(renderThreadMain, &shell.renderContext);
    ASSERT_NE(shell.renderThread, nullptr);
    al_start_thread(shell.renderThread);
    startDrawing(&shell.renderContext);
    for (int tick = 0; tick < 20; ++tick) {
      if (tick == 10) {
        Player next = shell.player;
        next.x = moved.x;
        storePlayer(&shell.renderContext, next);
      }
      al_broadcast_cond(shell.renderContext.tickCond);
      al_rest(1.0 / 60.0);
    }
    al_rest(0.2);
    stopRenderThread(&shell);
  }
  al_set_target_backbuffer(scene.shell.display);
  expectFrame(captureFrame(scene, moved), moved, scene);
}

TEST(StartScreen, ShowsHeadingsAndSixGreyButtonsOnBlackThePickedSizeFramed) {
  GameScene scene(640, 240);
  ASSERT_TRUE(scene.ok());
  ALLEGRO_BITMAP* menuButton = makeFilledBitmap(80, 40, kButtonGrey);
  al_set_target_backbuffer(scene.shell.display);
  drawStartMenu(menuButton, scene.shell.font, k1280x768);
  const Image image =
      captureDisplay(scene.shell.display, [](const Image& i) { return i.pixel(55, 55) == kButtonGrey; });
  ASSERT_EQ(image.width, 640);

  struct Button {
    const char* label;
    int left, top;
  };
  const Button buttons[6] = {{"1280x768", 50, 50},    {"1440x900", 200, 50},   {"1680x1050", 350, 50},
                             {"Fullscreen", 500, 50}, {"New World", 215, 160}, {"Load World", 340, 160}};
  const Box headings[2] = {centredTextBox(scene.shell.font, "Resolution Selection", 320, 10),
                           centredTextBox(scene.shell.font, "New Game or Load?", 320, 120)};
  Mismatches wrong;
  bool labelDark[6] = {}, headingWhite[2] = {};
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const Rgb c = image.pixel(x, y);
      const bool grey = c.r == c.g && c.g == c.b;
      int b = 0;
      while (b < 6 &&
             !Box{buttons[b].left, buttons[b].top, buttons[b].left + 80, buttons[b].top + 40}.contains(x, y))
        ++b;
      if (b < 6) {
        if (centredTextBox(scene.shell.font, buttons[b].label, buttons[b].left + 40, buttons[b].top + 13)
                .contains(x, y)) {
          wrong.check(grey && c.r <= kButtonGrey.r, x, y, c, "grey or black label text");
          labelDark[b] |= c.r < 60;
        } else {
          wrong.check(c == kButtonGrey, x, y, c, "the button's grey");
        }
      } else if (headings[0].contains(x, y) || headings[1].contains(x, y)) {
        wrong.check(grey, x, y, c, "white text on black");
        headingWhite[headings[0].contains(x, y) ? 0 : 1] |= c == kWhite;
      } else if (Box{46, 46, 134, 94}.contains(x, y) && !Box{48, 48, 132, 92}.contains(x, y)) {
        wrong.check(c == kWhite, x, y, c, "the picked size's white frame");
      } else {
        wrong.check(c == kBlack, x, y, c, "black");
      }
    }
  EXPECT_EQ(wrong.count(), 0) << wrong.summary();
  for (int b = 0; b < 6; ++b) EXPECT_TRUE(labelDark[b]) << buttons[b].label << " shows no label";
  EXPECT_TRUE(headingWhite[0] && headingWhite[1]) << "a heading shows no white";
  if (HasFailure()) saveArtifact(image, "");
  al_destroy_bitmap(menuButton);
}

}  // namespace
