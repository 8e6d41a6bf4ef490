// Where a failing test keeps its evidence (screenshots, consoles).
#include "Artifacts.h"

#include <gtest/gtest.h>
#include <stdlib.h>

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

std::filesystem::path makeTempDir(const std::string& prefix) {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / (prefix + "-XXXXXX")).string();
  if (ec || mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

}  // namespace xharness
