// Reading an input a few blocks ahead, on a thread of its own, so that
// decompressing it overlaps with what the reader does with the text.
//
// A BlockSource delivers exactly the bytes that reading its file byte by
// byte through an IFILE would (plain files unchanged, gzip files with every
// member of a multi-member file). BlockPipeline runs one on a producer
// thread; the consumer takes the blocks in order, each valid until the next
// is taken. Errors are told by the source once the blocks have ended.
#ifndef LOCI_IO_READAHEAD_H
#define LOCI_IO_READAHEAD_H

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
// handle stays the caller's; errors show in iferror(file) too. `filename`
// (may be null) gives FileSize when it names a regular file.
std::unique_ptr<BlockSource> OpenIfileSource(IFILE& file, const char* filename);

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
