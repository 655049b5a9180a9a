// Runs a fuzz target over saved inputs without libFuzzer, so that every build (g++ and clang,
// optimised, -O0 and with sanitizers) checks the corpus and the inputs that once failed.
// Usage: <target>_replay PATH...   (each PATH a file, or a folder whose files are all read)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path path = argv[i];
    if (fs::is_directory(path)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else if (fs::is_regular_file(path)) {
      inputs.push_back(path);
    } else {
      std::fprintf(stderr, "no such input: %s\n", path.string().c_str());
      return 2;
    }
  }
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 2;
  }
  for (const fs::path& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
      std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
      return 2;
    }
    std::vector<std::uint8_t> data(bytes.size());
    std::transform(bytes.begin(), bytes.end(), data.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  std::printf("%zu inputs replayed, every property held\n", inputs.size());
  return 0;
}
