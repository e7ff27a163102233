#include "io/ReadAhead.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>

namespace {

uint64_t SizeOf(const char* filename) {
   struct stat info;
   if (filename == nullptr || stat(filename, &info) != 0 || !S_ISREG(info.st_mode)) return 0;
   return static_cast<uint64_t>(info.st_size);
}

class IfileSource : public BlockSource {
public:
   IfileSource(IFILE& file, const char* filename) : file(file), size(SizeOf(filename)) {}

   size_t Read(char* buffer, size_t capacity) override {
      if (file.handle == nullptr) return 0;
      if (file.gzMode) {
         gzFile gz = static_cast<gzFile>(file.handle);
         unsigned chunk = capacity > (1u << 30) ? (1u << 30) : static_cast<unsigned>(capacity);
         int got = gzread(gz, buffer, chunk);
         if (got <= 0) return 0;
         // Compressed bytes consumed, where zlib can tell.
         z_off64_t offset = gzoffset64(gz);
         if (offset > 0) consumed.store(static_cast<uint64_t>(offset), std::memory_order_relaxed);
         return static_cast<size_t>(got);
      }
      size_t got = fread(buffer, 1, capacity, static_cast<FILE*>(file.handle));
      consumed.fetch_add(got, std::memory_order_relaxed);
      return got;
   }
   bool Failed() override { return iferror(file) != 0; }
   std::string Reason() override { return ifstrerror(file); }
   uint64_t Consumed() const override { return consumed.load(std::memory_order_relaxed); }
   uint64_t FileSize() const override { return size; }

private:
   IFILE& file;
   uint64_t size;
   std::atomic<uint64_t> consumed{0};  // read by the parsing thread for progress
};

}  // namespace

std::unique_ptr<BlockSource> OpenIfileSource(IFILE& file, const char* filename) {
   return std::unique_ptr<BlockSource>(new IfileSource(file, filename));
}

BlockPipeline::BlockPipeline(BlockSource& source, size_t blockSize, int blockCount)
    : source(source), sizes(static_cast<size_t>(blockCount)), blockSize(blockSize) {
   for (int i = 0; i < blockCount; i++) buffers.emplace_back(new char[blockSize]);
   producer = std::thread(&BlockPipeline::Produce, this);
}

BlockPipeline::~BlockPipeline() {
   {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
   }
   changed.notify_all();
   producer.join();
}

void BlockPipeline::Produce() {
   int count = static_cast<int>(buffers.size());
   int slot = 0;
   while (true) {
      {
         std::unique_lock<std::mutex> lock(mutex);
         // One block may be held by the consumer while the others fill.
         changed.wait(lock, [&] { return stopping || filled + (holding ? 1 : 0) < count; });
         if (stopping) return;
      }
      size_t got = source.Read(buffers[slot].get(), blockSize);
      {
         std::lock_guard<std::mutex> lock(mutex);
         if (got == 0) {
            finished = true;
         } else {
            sizes[slot] = got;
            filled++;
         }
      }
      changed.notify_all();
      if (got == 0) return;
      slot = (slot + 1) % count;
   }
}

bool BlockPipeline::Next(const char*& data, size_t& size) {
   int count = static_cast<int>(buffers.size());
   std::unique_lock<std::mutex> lock(mutex);
   if (holding) {
      holding = false;
      changed.notify_all();
   }
   changed.wait(lock, [&] { return filled > 0 || finished; });
   if (filled == 0) return false;
   data = buffers[nextRead].get();
   size = sizes[nextRead];
   filled--;
   holding = true;
   nextRead = (nextRead + 1) % count;
   return true;
}
