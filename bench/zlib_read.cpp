// The floor of any zlib reader: inflates a gzip file with gzread into one
// buffer and throws the bytes away. r2_hat built without ISA-L is timed
// against it.
// Usage: zlib_read FILE
#include <zlib.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
   if (argc != 2) {
      fprintf(stderr, "Usage: zlib_read FILE\n");
      return 2;
   }
   gzFile file = gzopen(argv[1], "rb");
   if (file == nullptr) {
      fprintf(stderr, "zlib_read: cannot open [%s]\n", argv[1]);
      return 1;
   }
   gzbuffer(file, 1 << 17);
   std::vector<char> buffer(1 << 20);
   unsigned long long total = 0;
   int got;
   while ((got = gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
      total += static_cast<unsigned>(got);
   int status = gzclose(file);
   if (got < 0 || status != Z_OK) {
      fprintf(stderr, "zlib_read: [%s] could not be read to its end\n", argv[1]);
      return 1;
   }
   printf("%llu bytes\n", total);
   return 0;
}
