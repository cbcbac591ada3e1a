// Runs the fuzz target once over every file of the folders given, outside
// libFuzzer: the saved inputs that once crashed or hung the engine run with
// every test run. Each input must finish within 10 seconds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size);

int main(int argc, char** argv) {
  int no_args = 1;
  char** self = argv;
  LLVMFuzzerInitialize(&no_args, &self);
  int ran = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)),
                        std::istreambuf_iterator<char>());
      std::printf("%s\n", entry.path().filename().c_str());
      std::fflush(stdout);
      ::alarm(10);
      LLVMFuzzerTestOneInput(
          reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ::alarm(0);
      ++ran;
    }
  }
  std::printf("%d inputs replayed\n", ran);
  return ran > 0 ? 0 : 1;
}
