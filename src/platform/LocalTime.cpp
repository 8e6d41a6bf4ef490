// Times as the player reads them: in the machine's local time zone.
#include "platform/LocalTime.h"

std::string formatLocalTime(std::time_t when, const char* format, const char* otherwise) {
  std::tm local{};
  char text[64];
  if (localtime_r(&when, &local) == nullptr || std::strftime(text, sizeof text, format, &local) == 0)
    return otherwise;
  return text;
}
