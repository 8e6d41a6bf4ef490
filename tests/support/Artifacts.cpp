// Where a failing test keeps its evidence (screenshots, consoles).
#include "Artifacts.h"

#include <gtest/gtest.h>

#include "X11Harness.h"

namespace xharness {

std::string artifactBase() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "." + test->name();
  for (char& c : name)
    if (c == '/') c = '_';
  if (!makeDirectories(TESSALY_ARTIFACT_DIR)) return "";
  return std::string(TESSALY_ARTIFACT_DIR) + "/" + name;
}

}  // namespace xharness
