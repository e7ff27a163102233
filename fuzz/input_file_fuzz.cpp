// IFILE on arbitrary bytes, as given and wrapped in gzip (intact, truncated,
// with a byte changed, with trailing bytes, or as two members), read to the end
// byte by byte and line by line.
//
// Properties: reading always ends; once a read has returned -1 the file reports
// its end, and an error implies the end; intact compressed data comes back
// exactly; damaged compressed data either comes back exactly or sets the error,
// so a reader never takes a damaged file for a complete one.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/StringBasics.h"
#include "fuzz/FuzzSupport.h"
#include "io/InputFile.h"

namespace {

using fuzzsupport::FuzzFatal;
using fuzzsupport::IfileGuard;

struct Reading {
   std::string bytes;
   bool failed = false;
};

// Deflate cannot expand data by more than about 1032 to 1.
size_t OutputBound(size_t fileSize) {
   return 1032 * fileSize + 4096;
}

Reading ReadBytes(const std::string& path, const char* mode, size_t fileSize) {
   Reading result;
   IFILE f = ifopen(path.c_str(), mode);
   LOCI_FUZZ_CHECK(!(f == nullptr));
   IfileGuard guard(f);
   while (true) {
      int c = ifgetchar(f);
      if (c == -1) break;
      LOCI_FUZZ_CHECK(c >= 0 && c <= 255);
      result.bytes += static_cast<char>(c);
      LOCI_FUZZ_CHECK(result.bytes.size() <= OutputBound(fileSize));
   }
   // The end stays the end, and is reported, so `while (!ifeof(f))` readers stop.
   for (int i = 0; i < 3; i++) LOCI_FUZZ_CHECK(ifgetchar(f) == -1);
   LOCI_FUZZ_CHECK(ifeof(f));
   result.failed = iferror(f) != 0;
   LOCI_FUZZ_CHECK(ifstrerror(f) != nullptr);
   return result;
}

// The same file line by line: the loop of every text reader of the library.
void CheckLines(const std::string& path, const char* mode, const Reading& expected) {
   fuzzsupport::ResetLineEndMemory();
   IFILE f = ifopen(path.c_str(), mode);
   LOCI_FUZZ_CHECK(!(f == nullptr));
   IfileGuard guard(f);
   String line;
   std::string joined;
   size_t calls = 0;
   while (!ifeof(f)) {
      LOCI_FUZZ_CHECK(++calls <= expected.bytes.size() + 2);
      line.ReadLine(f);
      joined.append(static_cast<const char*>(line), static_cast<size_t>(line.Length()));
   }
   LOCI_FUZZ_CHECK((iferror(f) != 0) == expected.failed);
   std::string wanted;
   for (char c : expected.bytes)
      if (c != '\r' && c != '\n') wanted += c;
   // The end is reported as soon as an error is met, even while bytes
   // decompressed before it are still buffered.
   if (expected.failed)
      LOCI_FUZZ_CHECK(wanted.compare(0, joined.size(), joined) == 0);
   else
      LOCI_FUZZ_CHECK(joined == wanted);
}

Reading ReadBoth(const std::string& path, const char* mode, size_t fileSize) {
   Reading reading = ReadBytes(path, mode, fileSize);
   CheckLines(path, mode, reading);
   return reading;
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

   // As given: anything but gzip data comes back unchanged and without error.
   std::string path = fuzzsupport::WriteScratch("plain", input);
   Reading plain = ReadBoth(path, mode, size);
   if (!HasGzipMagic(input)) {
      LOCI_FUZZ_CHECK(plain.bytes == input);
      LOCI_FUZZ_CHECK(!plain.failed);
   }

   int level = static_cast<int>(control % 10);
   std::string gz = fuzzsupport::Gzip(input, level);
   Damage damage = static_cast<Damage>((control >> 4) % kDamageKinds);
   size_t position = (param * 257u + size) % gz.size();
   switch (damage) {
      case kIntact:
         break;
      case kTruncated:
         gz.resize(position);
         break;
      case kChangedByte:
         gz[position] = static_cast<char>(gz[position] ^ ((size > 0 ? data[size - 1] : 0) | 1));
         break;
      case kTrailingBytes: {
         // Trailing bytes that begin like gzip would be read as another member.
         std::string tail = input.substr(0, param % 64 + 1);
         if (tail[0] == '\x1f') tail[0] = 'x';
         gz += tail;
         break;
      }
      case kTwoMembers: {
         size_t cut = size == 0 ? 0 : param % (size + 1);
         gz = fuzzsupport::Gzip(input.substr(0, cut), level) +
              fuzzsupport::Gzip(input.substr(cut), 9 - level);
         break;
      }
      case kDamageKinds:
         break;
   }

   path = fuzzsupport::WriteScratch("wrapped.gz", gz);
   Reading wrapped = ReadBoth(path, mode, gz.size());
   if (!HasGzipMagic(gz)) {
      // Too little left to be recognised as gzip: passed through as it is.
      LOCI_FUZZ_CHECK(wrapped.bytes == gz && !wrapped.failed);
      return;
   }
   switch (damage) {
      case kIntact:
      case kTwoMembers:
         LOCI_FUZZ_CHECK(!wrapped.failed);
         LOCI_FUZZ_CHECK(wrapped.bytes == input);
         break;
      case kTruncated:
         LOCI_FUZZ_CHECK(wrapped.failed);
         LOCI_FUZZ_CHECK(input.compare(0, wrapped.bytes.size(), wrapped.bytes) == 0);
         break;
      default:
         // Damage is either harmless or noticed; never silently different data.
         LOCI_FUZZ_CHECK(wrapped.failed || wrapped.bytes == input);
         break;
   }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   return fuzzsupport::RunWithoutFatal(Run, data, size, "reading an input file");
}
