// The notice board: lines the game says to the player, shown for a while.
#include "world/Notices.h"

#include <chrono>
#include <mutex>

namespace {

struct Notice {
  std::string line;
  double postedAt = 0.0;
};

// The newest kNoticesShown notices posted; notice `number` sits at number % kNoticesShown.
struct Board {
  std::mutex mutex;
  Notice notices[kNoticesShown];
  uint64_t posted = 0;  // notices posted so far
};

Board& board() {
  static Board instance;
  return instance;
}

}  // namespace

double noticeClock() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void postNotice(const std::string& line) {
  const double now = noticeClock();
  Board& b = board();
  std::lock_guard lock(b.mutex);
  Notice& notice = b.notices[b.posted % kNoticesShown];
  notice.line = !line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line;
  notice.postedAt = now;
  ++b.posted;
}

NoticeList noticesAt(double now) {
  Board& b = board();
  std::lock_guard lock(b.mutex);
  NoticeList list;
  uint64_t first = b.posted > kNoticesShown ? b.posted - kNoticesShown : 0;
  while (first < b.posted && now - b.notices[first % kNoticesShown].postedAt >= kNoticeSeconds) ++first;
  list.first = first;
  list.count = static_cast<int>(b.posted - first);
  for (int i = 0; i < list.count; ++i) list.lines[i] = b.notices[(first + i) % kNoticesShown].line;
  return list;
}
