// IFILE on arbitrary bytes, as given and wrapped in gzip (intact, truncated,
// with a byte changed, with trailing bytes, or as two members), read to the end
// byte by byte and line by line.
//
// Properties: reading always ends; once a read has returned -1 the file reports
// its end, and an error implies the end; intact compressed data comes back
// exactly; damaged compressed data either comes back exactly or sets the error,
// so a reader never takes a damaged file for a complete one.
#include <cstdint>
#include <string>

#include "base/StringBasics.h"
#include "io/InputFile.h"
#include "tests/support/Support.h"

namespace {

struct Reading {
   std::string bytes;
   bool failed = false;
};

// Byte by byte, then line by line (the loop of every text reader of the
// library), which must agree.
Reading ReadBoth(const std::string& path, const char* mode, size_t fileSize) {
   Reading result;
   IFILE f = ifopen(path.c_str(), mode);
   LOCI_FUZZ_CHECK(!(f == nullptr));
   for (int c; (c = ifgetchar(f)) != -1;) {
      LOCI_FUZZ_CHECK(c >= 0 && c <= 255);
      result.bytes += static_cast<char>(c);
      // Deflate cannot expand data by more than about 1032 to 1.
      LOCI_FUZZ_CHECK(result.bytes.size() <= 1032 * fileSize + 4096);
   }
   // The end stays the end, and is reported, so `while (!ifeof(f))` readers stop.
   for (int i = 0; i < 3; i++) LOCI_FUZZ_CHECK(ifgetchar(f) == -1);
   LOCI_FUZZ_CHECK(ifeof(f));
   result.failed = iferror(f) != 0;
   LOCI_FUZZ_CHECK(ifstrerror(f) != nullptr);
   ifclose(f);

   testsupport::ResetLineEndMemory();
   f = ifopen(path.c_str(), mode);
   String line;
   std::string joined, wanted;
   size_t calls = 0;
   while (!ifeof(f)) {
      LOCI_FUZZ_CHECK(++calls <= result.bytes.size() + 2);
      line.ReadLine(f);
      joined.append(static_cast<const char*>(line), static_cast<size_t>(line.Length()));
   }
   LOCI_FUZZ_CHECK((iferror(f) != 0) == result.failed);
   ifclose(f);
   for (char c : result.bytes)
      if (c != '\r' && c != '\n') wanted += c;
   // The end is reported as soon as an error is met, even while bytes
   // decompressed before it are still buffered.
   LOCI_FUZZ_CHECK(result.failed ? wanted.compare(0, joined.size(), joined) == 0
                                 : joined == wanted);
   return result;
}

bool HasGzipMagic(const std::string& bytes) {
   return bytes.size() >= 2 && bytes[0] == '\x1f' && bytes[1] == '\x8b';
}

enum Damage { kIntact, kTruncated, kChangedByte, kTrailingBytes, kTwoMembers, kDamageKinds };

void Run(const uint8_t* data, size_t size) {
   std::string input(reinterpret_cast<const char*>(data), size);
   unsigned control = size > 0 ? data[0] : 0;
   unsigned param = size > 1 ? data[1] : 0;
   const char* mode = (control & 1) != 0 ? "rt" : "rb";
   testsupport::TempDir& dir = testsupport::FuzzScratch();

   // As given: anything but gzip data comes back unchanged and without error.
   Reading plain = ReadBoth(dir.Write("plain", input), mode, size);
   LOCI_FUZZ_CHECK(HasGzipMagic(input) || (plain.bytes == input && !plain.failed));

   int level = static_cast<int>(control % 10);
   std::string gz = testsupport::Gzip(input, level);
   Damage damage = static_cast<Damage>((control >> 4) % kDamageKinds);
   size_t position = (param * 257u + size) % gz.size();
   if (damage == kTruncated) gz.resize(position);
   if (damage == kChangedByte)
      gz[position] = static_cast<char>(gz[position] ^ ((size > 0 ? data[size - 1] : 0) | 1));
   if (damage == kTrailingBytes) {
      // Trailing bytes that begin like gzip would be read as another member.
      std::string tail = input.substr(0, param % 64 + 1);
      if (tail[0] == '\x1f') tail[0] = 'x';
      gz += tail;
   }
   if (damage == kTwoMembers) {
      size_t cut = size == 0 ? 0 : param % (size + 1);
      gz = testsupport::Gzip(input.substr(0, cut), level) +
           testsupport::Gzip(input.substr(cut), 9 - level);
   }

   Reading wrapped = ReadBoth(dir.Write("wrapped.gz", gz), mode, gz.size());
   if (!HasGzipMagic(gz)) {
      // Too little left to be recognised as gzip: passed through as it is.
      LOCI_FUZZ_CHECK(wrapped.bytes == gz && !wrapped.failed);
   } else if (damage == kIntact || damage == kTwoMembers) {
      LOCI_FUZZ_CHECK(!wrapped.failed && wrapped.bytes == input);
   } else if (damage == kTruncated) {
      LOCI_FUZZ_CHECK(wrapped.failed);
      LOCI_FUZZ_CHECK(input.compare(0, wrapped.bytes.size(), wrapped.bytes) == 0);
   } else {
      // Damage is either harmless or noticed; never silently different data.
      LOCI_FUZZ_CHECK(wrapped.failed || wrapped.bytes == input);
   }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   return testsupport::RunWithoutFatal(Run, data, size);
}
