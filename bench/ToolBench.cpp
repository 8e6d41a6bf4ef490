// Timing of the save tool's map: the whole command (read, check, decode,
// paint, encode, write) next to the image library encoding a picture of the
// same size and content to a file with nothing else done, at scales 1 and 10.
#include <allegro5/allegro.h>
#include <allegro5/allegro_image.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "TargetReport.h"
#include "platform/Picture.h"
#include "save/SaveFile.h"
#include "tool/SaveTool.h"
#include "tool/WorldMap.h"
#include "world/Terrain.h"

namespace {

std::string scratchDirectory;
std::string savePath;

// A new world saved at once, as the map's input.
bool writeNewWorldSave() {
  BlockCatalogue catalogue;
  fillCatalogueEntries(catalogue);
  auto world = std::make_unique<World>();
  generateWorldFromSeed(world.get(), catalogue, 20240611u);
  std::vector<uint8_t> bytes(kSaveFileBytes);
  encodeSave(*world, makeStartingPlayer(), bytes.data());
  std::ofstream out(savePath, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// What `tessaly-save map SAVE OUT --scale N` does, from the file to the picture.
void mapCommandBench(benchmark::State& state, int scale) {
  const std::string out = scratchDirectory + "/map.png";
  for (auto _ : state) {
    const SaveRead read = readSaveFile(savePath);
    if (!read.problem.empty()) {
      state.SkipWithError(read.problem.c_str());
      return;
    }
    const DecodedSave save = decodeCheckedSave(read.bytes);
    ALLEGRO_BITMAP* map = makeWorldMap(*save.world, save.player, scale);
    std::string error;
    const bool ok = map != nullptr && writePngFile(map, out, &error);
    if (map != nullptr) al_destroy_bitmap(map);
    if (!ok) state.SkipWithError("the map was not written");
  }
}

// The library's PNG encoding of the same picture, made beforehand, to a file.
void encodeOnlyBench(benchmark::State& state, int scale) {
  const std::string out = scratchDirectory + "/plain.png";
  const SaveRead read = readSaveFile(savePath);
  const DecodedSave save = decodeCheckedSave(read.bytes);
  ALLEGRO_BITMAP* map = makeWorldMap(*save.world, save.player, scale);
  if (map == nullptr) {
    state.SkipWithError("no picture");
    return;
  }
  for (auto _ : state)
    if (!al_save_bitmap(out.c_str(), map)) state.SkipWithError("the library did not write the picture");
  al_destroy_bitmap(map);
}

}  // namespace

int main(int argc, char** argv) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  scratchDirectory = pattern;
  savePath = scratchDirectory + "/TessalySave.wld";
  if (!startPictureLibrary() || !writeNewWorldSave()) {
    std::fprintf(stderr, "cannot set the benchmark up\n");
    return 1;
  }
  for (int scale : {1, 10}) {
    const std::string suffix = "/scale" + std::to_string(scale);
    benchmark::RegisterBenchmark(("mapCommand" + suffix).c_str(), mapCommandBench, scale)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("encodeOnly" + suffix).c_str(), encodeOnlyBench, scale)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  const int status = runBenchmarks(
      argc, argv,
      {{"map --scale 1 / PNG encoding alone", "mapCommand/scale1", "encodeOnly/scale1", 1.25},
       {"map --scale 10 / PNG encoding alone", "mapCommand/scale10", "encodeOnly/scale10", 1.25}});
  std::error_code ignored;
  std::filesystem::remove_all(scratchDirectory, ignored);
  return status;
}
