// Corpus replayer: the driver of the fuzz targets where libFuzzer is not
// available. Runs LLVMFuzzerTestOneInput once on every file named, and on
// every file of every directory named (in name order, hidden files skipped).
// A failed property aborts inside the target, so the exit status tells.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/Support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
   namespace fs = std::filesystem;
   std::vector<fs::path> files;
   for (int i = 1; i < argc; i++) {
      std::vector<fs::path> found;
      if (fs::is_directory(argv[i])) {
         for (const auto& entry : fs::directory_iterator(argv[i]))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
               found.push_back(entry.path());
      } else {
         found.push_back(argv[i]);
      }
      std::sort(found.begin(), found.end());
      files.insert(files.end(), found.begin(), found.end());
   }
   for (const fs::path& file : files) {
      FILE* f = fopen(file.c_str(), "rb");
      if (f == nullptr) {
         fprintf(stderr, "cannot read %s\n", file.c_str());
         return 1;
      }
      std::string bytes = testsupport::ReadAll(f);
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
   }
   fprintf(stderr, "replayed %zu inputs\n", files.size());
   // An empty corpus replays nothing: most likely a wrong path.
   return files.empty() ? 1 : 0;
}
