// Blocks of dosage-file bytes, decompressed on a second thread while the
// first one parses.
//
// Every source delivers exactly the bytes that reading the file byte by byte
// through its IFILE would: plain files unchanged, gzip files with every member
// of a multi-member file, trailing garbage after the last member ignored, as
// zlib does. The ISA-L source (when built in) decodes gzip several times faster
// than zlib; zlib through the IFILE is the fallback that is always built.
#ifndef LOCI_TOOL_DOSAGEINPUT_H
#define LOCI_TOOL_DOSAGEINPUT_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "io/InputFile.h"

class BlockSource {
public:
   virtual ~BlockSource() = default;
   // Up to `capacity` bytes; 0 at the end of the input or after a read error.
   virtual size_t Read(char* buffer, size_t capacity) = 0;
   // Whether the input ended in a read error, and why.
   virtual bool Failed() = 0;
   virtual std::string Reason() = 0;
   // Bytes of the file read so far and its size (0 when unknown).
   virtual uint64_t Consumed() const = 0;
   virtual uint64_t FileSize() const = 0;
};

// Reads an open input file through its own stream (gzread or fread). The
// handle stays the caller's; errors show in iferror(file) too.
std::unique_ptr<BlockSource> OpenIfileSource(IFILE& file, const char* filename);

// Whether the ISA-L decoder is built in.
bool HaveFastGzip();

// Opens `filename` again for the ISA-L decoder; null when ISA-L is not built
// in or the name is not a regular file (a pipe must not be read twice).
std::unique_ptr<BlockSource> OpenFastGzipSource(const char* filename);

// Runs the source on its own thread, a few blocks ahead of the consumer.
class BlockPipeline {
public:
   BlockPipeline(BlockSource& source, size_t blockSize, int blockCount);
   ~BlockPipeline();
   BlockPipeline(const BlockPipeline&) = delete;
   BlockPipeline& operator=(const BlockPipeline&) = delete;

   // The next block; false at the end of the input. The block stays valid
   // until the next call.
   bool Next(const char*& data, size_t& size);

private:
   void Produce();

   BlockSource& source;
   std::vector<std::unique_ptr<char[]>> buffers;
   std::vector<size_t> sizes;
   size_t blockSize;
   int filled = 0;        // blocks produced and not yet consumed
   int nextRead = 0;      // block the consumer takes next
   bool holding = false;  // the consumer holds block nextRead - 1
   bool finished = false;
   bool stopping = false;
   std::mutex mutex;
   std::condition_variable changed;
   std::thread producer;
};

#endif
