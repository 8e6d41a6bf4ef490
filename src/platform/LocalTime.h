// Times as the player reads them: in the machine's local time zone.
#pragma once

#include <ctime>
#include <string>

// `when` in local time, through strftime's `format`; `otherwise` if the time
// cannot be converted.
std::string formatLocalTime(std::time_t when, const char* format, const char* otherwise);
