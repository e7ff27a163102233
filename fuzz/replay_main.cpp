// Corpus replayer: the driver of the fuzz targets where libFuzzer is not
// available. Runs LLVMFuzzerTestOneInput once on every file named, and on
// every file of every directory named (in name order, hidden files skipped).
// A failed property aborts inside the target, so the exit status tells.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

int Replay(const fs::path& file) {
   std::ifstream in(file, std::ios::binary);
   if (!in) {
      fprintf(stderr, "cannot read %s\n", file.c_str());
      return 1;
   }
   std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
   LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
   return 0;
}

}  // namespace

int main(int argc, char** argv) {
   int replayed = 0;
   int failures = 0;
   for (int i = 1; i < argc; i++) {
      fs::path given(argv[i]);
      std::vector<fs::path> files;
      std::error_code error;
      if (fs::is_directory(given, error)) {
         for (const auto& entry : fs::directory_iterator(given))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
               files.push_back(entry.path());
         std::sort(files.begin(), files.end());
      } else {
         files.push_back(given);
      }
      for (const auto& file : files) {
         failures += Replay(file);
         replayed++;
      }
   }
   fprintf(stderr, "replayed %d inputs\n", replayed);
   // An empty corpus replays nothing: most likely a wrong path.
   return failures > 0 || replayed == 0 ? 1 : 0;
}
