// Where a failing test keeps its evidence (screenshots, consoles).
#pragma once

#include <string>

namespace xharness {

// The path, without extension, for the current test's evidence in the
// build's artifact folder: "Suite.Name" with slashes made underscores. The
// folder is made if needed; empty if it cannot be.
std::string artifactBase();

}  // namespace xharness
