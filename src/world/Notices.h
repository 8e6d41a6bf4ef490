// The notice board: lines the game says to the player, shown on screen for a
// while besides being printed. Any thread may post; the render thread reads.
#pragma once

#include <cstdint>
#include <string>

constexpr int kNoticesShown = 3;        // at once; a new one pushes out the oldest
constexpr double kNoticeSeconds = 3.0;  // how long a notice shows

// What the board shows at one moment, oldest first. Notices are numbered in
// the order posted: the ones shown are first to first + count - 1, so two
// lists show the same when those numbers agree (or both show none).
struct NoticeList {
  int count = 0;
  uint64_t first = 0;
  std::string lines[kNoticesShown];
  bool sameAs(const NoticeList& other) const {
    return count == other.count && (count == 0 || first == other.first);
  }
};

// The board's clock, in seconds (steady, from an arbitrary start).
double noticeClock();

// Post one line (no newline; one at the end is dropped), stamped with the
// board's clock. Safe from any thread; takes a lock for a moment only.
void postNotice(const std::string& line);

// The notices that show at `now` (the board's clock): those posted less than
// kNoticeSeconds before it, the newest kNoticesShown of them.
NoticeList noticesAt(double now);
