// Where a failing test keeps its evidence (screenshots, consoles), and where
// a test works.
#pragma once

#include <filesystem>
#include <string>

namespace xharness {

// The path, without extension, for the current test's evidence in the
// build's artifact folder: "Suite.Name" with slashes made underscores. The
// folder is made if needed; empty if it cannot be.
std::string artifactBase();

// A new directory of this test's own under $TMPDIR (or /tmp): `prefix`
// followed by a unique ending. Empty if it cannot be made.
std::filesystem::path makeTempDir(const std::string& prefix);

}  // namespace xharness
