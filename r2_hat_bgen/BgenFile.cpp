#include "BgenFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "io/Error.h"

namespace {

// Header flags.
const uint32_t kCompressionBits = 0x3;
const uint32_t kLayoutShift = 2;
const uint32_t kLayoutBits = 0xf;
const uint32_t kSampleIdentifiersFlag = 0x80000000u;
const uint32_t kHeaderFixedLength = 20;  // length, M, N, magic, flags
// Genotype data of one variant, and a string of one allele, are held whole:
// larger ones are refused rather than wrapped.
const uint32_t kLargestBlock = 1u << 31;
const size_t kFirstBytes = 1000;

uint32_t Little32(const unsigned char* bytes) {
   return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
          uint32_t{bytes[3]} << 24;
}

}  // namespace

std::string RawVariant::Name() const {
   if (!rsid.empty() && rsid != ".") return rsid;
   if (!id.empty() && id != ".") return id;
   return chrom + ":" + std::to_string(position);
}

BgenFile::BgenFile(const std::string& fileName) : name(fileName) {
   owned.reset(fopen(name.c_str(), "rb"));
   file = owned.get();
   if (file == nullptr)
      error("BGEN file [%s] could not be opened: %s\n", name.c_str(), strerror(errno));
   setvbuf(file, nullptr, _IOFBF, 1 << 20);
   struct stat info;
   if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode))
      header.fileSize = static_cast<uint64_t>(info.st_size);
   else
      error("BGEN file [%s] is not a regular file\n", name.c_str());

   uint32_t offset = Read32("the offset of the first variant");
   uint32_t headerLength = Read32("the header");
   header.variants = Read32("the header");
   header.samples = Read32("the header");
   unsigned char magic[4];
   Read(magic, 4, "the header");
   if (memcmp(magic, "bgen", 4) != 0 && memcmp(magic, "\0\0\0\0", 4) != 0)
      error("File [%s] is not a BGEN file: its magic bytes are not \"bgen\"\n", name.c_str());
   if (headerLength < kHeaderFixedLength || headerLength > offset)
      Bad("a header length of " + std::to_string(headerLength) + " with the first variant at " +
          std::to_string(offset));
   Skip(headerLength - kHeaderFixedLength, "the header's free data");
   uint32_t flags = Read32("the header");
   uint32_t compression = flags & kCompressionBits;
   header.layout = static_cast<int>((flags >> kLayoutShift) & kLayoutBits);
   if (header.layout != 1 && header.layout != 2)
      Bad("layout " + std::to_string(header.layout) + " in its flags (1 and 2 are defined)");
   if (compression == 3 || (compression == 2 && header.layout == 1))
      Bad("compression " + std::to_string(compression) + " in its flags with layout " +
          std::to_string(header.layout));
   header.compression = static_cast<BgenCompression>(compression);

   if (flags & kSampleIdentifiersFlag) {
      uint32_t blockLength = Read32("the sample identifiers");
      uint32_t count = Read32("the sample identifiers");
      if (count != header.samples)
         Bad("a block of " + std::to_string(count) + " sample identifiers for " +
             std::to_string(header.samples) + " samples");
      // Each identifier takes two bytes at least.
      if (uint64_t{headerLength} + blockLength > offset || uint64_t{count} * 2 > blockLength)
         Bad("sample identifiers that do not fit their block before the first variant");
      Ahead(blockLength - 8, "the sample identifiers");
      header.sampleIds.resize(count);
      for (std::string& id : header.sampleIds) ReadString(id, false, "the sample identifiers");
   }
   header.firstVariant = uint64_t{offset} + 4;
   if (header.firstVariant > header.fileSize)
      Bad("its first variant at byte " + std::to_string(header.firstVariant) + ", past its end");
   // What an index records of the file it was made for.
   size_t first = static_cast<size_t>(std::min<uint64_t>(header.fileSize, kFirstBytes));
   header.firstBytes.resize(first);
   if (fseeko(file, 0, SEEK_SET) != 0 || fread(header.firstBytes.data(), 1, first, file) != first)
      Bad("its first bytes, which could not be read");
   Seek(header.firstVariant);
   // A variant block of layout 1 stores 6 bytes per sample uncompressed, and
   // a compressed one inflates to them: a count no file could hold is damage.
   if (header.layout == 1 && uint64_t{6} * header.samples >= kLargestBlock)
      Bad(std::to_string(header.samples) + " samples, more than layout 1 can store");
}

void BgenFile::Bad(const std::string& what) const {
   error("BGEN file [%s] is damaged or not of a known kind: %s\n", name.c_str(), what.c_str());
}

void BgenFile::Read(void* bytes, size_t size, const char* what) {
   if (size == 0) return;
   if (fread(bytes, 1, size, file) != size) {
      if (ferror(file))
         error("BGEN file [%s] could not be read (%s): %s\n", name.c_str(), what, strerror(errno));
      error("BGEN file [%s] ends inside %s: the file is truncated\n", name.c_str(), what);
   }
   position += size;
}

uint32_t BgenFile::Read32(const char* what) {
   unsigned char bytes[4];
   Read(bytes, 4, what);
   return Little32(bytes);
}

uint16_t BgenFile::Read16(const char* what) {
   unsigned char bytes[2];
   Read(bytes, 2, what);
   return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

void BgenFile::ReadString(std::string& text, bool longLength, const char* what) {
   uint32_t length = longLength ? Read32(what) : Read16(what);
   if (length >= kLargestBlock) Bad(std::string("a string of over 2^31 bytes in ") + what);
   Ahead(length, what);
   text.resize(length);
   Read(&text[0], length, what);
}

void BgenFile::Ahead(uint64_t size, const char* what) const {
   // Checked before room is made: a damaged length must not claim memory.
   if (position + size > header.fileSize && header.fileSize != 0)
      error("BGEN file [%s] ends inside %s: the file is truncated\n", name.c_str(), what);
}

void BgenFile::Skip(uint64_t size, const char* what) {
   if (size == 0) return;
   Ahead(size, what);
   if (fseeko(file, static_cast<off_t>(position + size), SEEK_SET) != 0)
      error("BGEN file [%s] could not be read (%s): %s\n", name.c_str(), what, strerror(errno));
   position += size;
}

void BgenFile::Seek(uint64_t start) {
   if (start > header.fileSize)
      error("BGEN file [%s]: a variant block at byte %llu lies past its end\n", name.c_str(),
            static_cast<unsigned long long>(start));
   if (fseeko(file, static_cast<off_t>(start), SEEK_SET) != 0)
      error("BGEN file [%s] could not be read: %s\n", name.c_str(), strerror(errno));
   position = start;
}

bool BgenFile::Next(RawVariant& variant, const Region* region) {
   if (read >= header.variants) return false;
   read++;
   variant.start = position;
   const char* what = "a variant block";
   if (header.layout == 1) {
      uint32_t samples = Read32(what);
      if (samples != header.samples)
         Bad("a variant block of " + std::to_string(samples) + " samples in a file of " +
             std::to_string(header.samples));
   }
   ReadString(variant.id, false, what);
   ReadString(variant.rsid, false, what);
   ReadString(variant.chrom, false, what);
   variant.position = Read32(what);
   uint16_t alleles = header.layout == 1 ? 2 : Read16(what);
   if (alleles < 2)
      Bad("variant " + variant.Name() + " has " + std::to_string(alleles) +
          " allele(s): at least 2 are needed");
   variant.alleles.resize(alleles);
   for (std::string& allele : variant.alleles) ReadString(allele, true, what);

   uint64_t stored;
   if (header.layout == 1) {
      stored = header.compression == BgenCompression::kNone ? uint64_t{6} * header.samples
                                                             : Read32(what);
   } else {
      stored = Read32(what);
      if (header.compression != BgenCompression::kNone) {
         if (stored < 4) Bad("variant " + variant.Name() + " stores less than its own size");
         variant.uncompressedSize = Read32(what);
         stored -= 4;
      }
   }
   if (stored >= kLargestBlock)
      Bad("variant " + variant.Name() + " has over 2^31 bytes of genotype data");
   variant.selected = region == nullptr || region->Holds(variant.chrom, variant.position);
   if (!variant.selected) {
      variant.data.clear();
      Skip(stored, "the genotype data of a variant");
      return true;
   }
   Ahead(stored, "the genotype data of a variant");
   variant.data.resize(static_cast<size_t>(stored));
   Read(variant.data.data(), variant.data.size(), "the genotype data of a variant");
   return true;
}
