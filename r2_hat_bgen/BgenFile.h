// Reading a BGEN file: its header, its sample identifiers and its variant
// blocks, raw, so that the genotype data can be decompressed and converted
// on other threads (see Genotypes.h).
//
// A file begins with the offset of its first variant block (counted from the
// fifth byte), a header block (its length, the numbers of variants and
// samples, the magic "bgen" or four zero bytes, free data, flags: bits 0-1
// the compression of the genotype data, none, zlib or zstd; bits 2-5 the
// layout, 1 or 2; bit 31 set when a block of sample identifiers follows).
// Integers are little-endian. Every fault of the file ends the run through
// `error`, naming the file and, past the header, the variant.
#ifndef LOCI_R2_HAT_BGEN_BGENFILE_H
#define LOCI_R2_HAT_BGEN_BGENFILE_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "quality/Selection.h"

enum class BgenCompression { kNone = 0, kZlib = 1, kZstd = 2 };

struct BgenHeader {
   uint32_t variants = 0;
   uint32_t samples = 0;
   BgenCompression compression = BgenCompression::kNone;
   int layout = 2;
   uint64_t firstVariant = 0;              // byte position of the first variant block
   std::vector<std::string> sampleIds;     // empty when the file has none
   std::vector<unsigned char> firstBytes;  // the file's first 1,000 bytes at most
   uint64_t fileSize = 0;
};

// One variant block as stored: its identifiers and alleles, and its genotype
// data still compressed.
struct RawVariant {
   uint64_t start = 0;  // byte position of the block
   std::string id, rsid, chrom;
   uint32_t position = 0;
   std::vector<std::string> alleles;
   uint32_t uncompressedSize = 0;  // as stored, when compressed (layout 2)
   bool selected = true;           // in the region asked for: `data` was read
   std::vector<unsigned char> data;

   // "rsid", else "id", else "CHROM:POS" for messages.
   std::string Name() const;
};

class BgenFile {
public:
   // Opens and reads the header and the sample identifiers.
   explicit BgenFile(const std::string& name);
   BgenFile(const BgenFile&) = delete;
   BgenFile& operator=(const BgenFile&) = delete;

   const BgenHeader& Header() const { return header; }
   const char* Name() const { return name.c_str(); }

   // Reads the variant block that begins at the current position (the first
   // one after opening); false at the end of the variants the header counts.
   // With a region, the genotype data of a variant outside it are passed
   // over (variant.selected false, variant.data empty).
   bool Next(RawVariant& variant, const Region* region = nullptr);
   // Moves to the variant block at byte `start` (from an index).
   void Seek(uint64_t start);

   // The bytes read so far, for progress.
   uint64_t Position() const { return position; }

private:
   void Read(void* bytes, size_t size, const char* what);
   uint32_t Read32(const char* what);
   uint16_t Read16(const char* what);
   void ReadString(std::string& text, bool longLength, const char* what);
   void Skip(uint64_t size, const char* what);
   void Ahead(uint64_t size, const char* what) const;
   [[noreturn]] void Bad(const std::string& what) const;

   struct Closer {
      void operator()(FILE* f) const { fclose(f); }
   };
   std::string name;
   // Closed also when the constructor ends in an error that does not exit
   // (a fuzz driver's).
   std::unique_ptr<FILE, Closer> owned;
   FILE* file = nullptr;
   BgenHeader header;
   uint64_t position = 0;
   uint32_t read = 0;  // variant blocks read since the start
};

#endif
