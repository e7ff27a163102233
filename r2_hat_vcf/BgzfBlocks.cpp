#include "BgzfBlocks.h"

#include <htslib/bgzf.h>
#ifdef R2_HAT_VCF_WITH_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

// The gzip header up to its extra field: ID1, ID2, the method, the flags,
// the time, XFL, OS and XLEN, the length of the extra field.
const size_t kHeaderBytes = 12;
const unsigned char kId1 = 31, kId2 = 139, kDeflate = 8, kFlagExtra = 4;
// CRC-32 and ISIZE.
const size_t kTrailerBytes = 8;
// The subfield "BC" of two bytes: the block's size less one.
const unsigned char kSubfield1 = 'B', kSubfield2 = 'C';
const size_t kSubfieldHeader = 4, kBlockSizeBytes = 2;

uint32_t Little16(const unsigned char* p) {
   return p[0] | p[1] << 8;
}

uint32_t Little32(const unsigned char* p) {
   return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The block's size from its extra field; 0 without the "BC" subfield.
size_t BlockSize(const unsigned char* extra, size_t length) {
   for (size_t at = 0; at + kSubfieldHeader <= length;) {
      size_t fieldLength = Little16(extra + at + 2);
      if (extra[at] == kSubfield1 && extra[at + 1] == kSubfield2 &&
          fieldLength == kBlockSizeBytes && at + kSubfieldHeader + kBlockSizeBytes <= length)
         return Little16(extra + at + kSubfieldHeader) + 1;
      at += kSubfieldHeader + fieldLength;
   }
   return 0;
}

// Reads `size` bytes raw: their count, short only at the end of the data,
// negative on a read error.
ssize_t Raw(BGZF* stream, unsigned char* buffer, size_t size) {
   size_t done = 0;
   while (done < size) {
      ssize_t got = bgzf_raw_read(stream, buffer + done, size - done);
      if (got <= 0) return got < 0 ? got : static_cast<ssize_t>(done);
      done += got;
   }
   return static_cast<ssize_t>(done);
}

}  // namespace

BlockRead ReadBgzfBlock(BGZF* stream, std::vector<unsigned char>& packed) {
   size_t start = packed.size();
   packed.resize(start + kHeaderBytes);
   ssize_t got = Raw(stream, packed.data() + start, kHeaderBytes);
   if (got == 0) {
      packed.resize(start);
      return BlockRead::kEnd;
   }
   const unsigned char* head = packed.data() + start;
   if (got != static_cast<ssize_t>(kHeaderBytes) || head[0] != kId1 || head[1] != kId2 ||
       head[2] != kDeflate || !(head[3] & kFlagExtra))
      return BlockRead::kBad;
   size_t extra = Little16(head + 10);
   packed.resize(start + kHeaderBytes + extra);
   if (Raw(stream, packed.data() + start + kHeaderBytes, extra) != static_cast<ssize_t>(extra))
      return BlockRead::kBad;
   size_t size = BlockSize(packed.data() + start + kHeaderBytes, extra);
   if (size < kHeaderBytes + extra + kTrailerBytes) return BlockRead::kBad;
   packed.resize(start + size);
   size_t left = size - kHeaderBytes - extra;
   if (Raw(stream, packed.data() + start + kHeaderBytes + extra, left) !=
       static_cast<ssize_t>(left))
      return BlockRead::kBad;
   return BlockRead::kBlock;
}

#ifdef R2_HAT_VCF_WITH_LIBDEFLATE
bool CanInflateBgzfBlocks() {
   return true;
}

BgzfInflater::BgzfInflater() : state(libdeflate_alloc_decompressor()) {}

BgzfInflater::~BgzfInflater() {
   libdeflate_free_decompressor(static_cast<libdeflate_decompressor*>(state));
}

bool BgzfInflater::Inflate(const unsigned char* block, size_t size, char* text, size_t room,
                           size_t& length) {
   size_t header = kHeaderBytes + Little16(block + 10);
   uint32_t check = Little32(block + size - kTrailerBytes);
   uint32_t inflated = Little32(block + size - kTrailerBytes + 4);
   size_t got = 0;
   if (state == nullptr || inflated > kBgzfMaxBlockText || inflated > room ||
       libdeflate_deflate_decompress(static_cast<libdeflate_decompressor*>(state), block + header,
                                     size - header - kTrailerBytes, text, inflated,
                                     &got) != LIBDEFLATE_SUCCESS ||
       got != inflated || libdeflate_crc32(0, text, inflated) != check)
      return false;
   length = inflated;
   return true;
}
#else
bool CanInflateBgzfBlocks() {
   return false;
}

BgzfInflater::BgzfInflater() : state(nullptr) {}

BgzfInflater::~BgzfInflater() {}

bool BgzfInflater::Inflate(const unsigned char*, size_t, char*, size_t, size_t&) {
   return false;
}
#endif
