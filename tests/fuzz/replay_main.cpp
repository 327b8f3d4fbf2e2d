// Runs a fuzz target's entry function over every file of the given
// directories, without the fuzzer: the seed corpus and the kept crash inputs
// become ordinary tests of the native and sanitizer builds. The first
// directory must hold at least one file; the others may be absent.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR [MORE_DIRS...]\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path dir = argv[i];
    if (!fs::is_directory(dir)) {
      if (i == 1) {
        std::fprintf(stderr, "no corpus directory %s\n", dir.c_str());
        return 1;
      }
      continue;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
      std::printf("%s\n", file.c_str());
      std::fflush(stdout);
      // An exact-size heap copy, so that a read past the end shows under the sanitizers.
      std::vector<std::uint8_t> copy(bytes);
      copy.shrink_to_fit();
      LLVMFuzzerTestOneInput(copy.data(), copy.size());
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  return replayed > 0 ? 0 : 1;
}
