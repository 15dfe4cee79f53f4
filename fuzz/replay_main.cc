// Runs a fuzz target over stored inputs, for builds without libFuzzer: each
// argument is a file or a folder of files (taken in name order).  A crash or
// a sanitizer report fails the run, as it fails the fuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& argument) {
  std::vector<std::filesystem::path> inputs;
  if (std::filesystem::is_directory(argument)) {
    for (const auto& entry : std::filesystem::directory_iterator(argument)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
  } else {
    inputs.push_back(argument);
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& path : InputsOf(argv[i])) {
      std::ifstream in(path, std::ios::binary);
      std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      if (!in.eof() && in.fail()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
      }
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++count;
    }
  }
  if (count == 0) {
    std::fprintf(stderr, "no inputs found\n");
    return 1;
  }
  std::printf("replayed %zu inputs\n", count);
  return 0;
}
