// The blocks of a BGZF file (bgzip's blocked gzip), read raw and inflated
// apart from htslib, so that the threads that parse the text inflate it too.
//
// A BGZF block is a gzip member of at most 64 KiB of text whose header
// carries, in a "BC" subfield of its extra field, the block's size less one;
// its trailer holds the CRC-32 and the size of the text.
#ifndef LOCI_R2_HAT_VCF_BGZFBLOCKS_H
#define LOCI_R2_HAT_VCF_BGZFBLOCKS_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct BGZF;

// The most text one block holds.
const size_t kBgzfMaxBlockText = 1 << 16;

enum class BlockRead { kBlock, kEnd, kBad };

// Reads the next whole block of `stream` raw and appends it to `packed`:
// kEnd at the end of the data (nothing appended), kBad when the data are not
// a BGZF block or are cut short (`packed` then holds a part of it).
BlockRead ReadBgzfBlock(BGZF* stream, std::vector<unsigned char>& packed);

// Whether BgzfInflater is built in (it needs libdeflate).
bool CanInflateBgzfBlocks();

// One thread's inflater.
class BgzfInflater {
public:
   BgzfInflater();
   ~BgzfInflater();
   BgzfInflater(const BgzfInflater&) = delete;
   BgzfInflater& operator=(const BgzfInflater&) = delete;

   // Inflates the block [block, block + size) into `text`, which has room for
   // `room` bytes, and tests its check sum; false when any of that fails.
   // `length` is the size of the text.
   bool Inflate(const unsigned char* block, size_t size, char* text, size_t room, size_t& length);

private:
   void* state;
};

#endif
