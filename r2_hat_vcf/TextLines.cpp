#include "TextLines.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <htslib/bgzf.h>
#ifdef R2_HAT_VCF_WITH_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

// Large enough that handing a chunk to a thread costs little against parsing
// it, small enough that the chunks in flight take a few MiB.
const size_t kChunkBytes = 1 << 20;
// BGZF blocks per chunk; a block inflates to at most 64 KiB.
const size_t kBlocksPerChunk = 16;
const size_t kMaxBlockText = 1 << 16;

struct Chunk {
   // Filled by the calling thread: text, or BGZF blocks (whole, one after
   // another, each ending at its blockEnds entry) that a worker inflates
   // after the `length` bytes of text already there.
   std::vector<char> text;
   size_t length = 0;
   std::vector<unsigned char> packed;
   std::vector<size_t> blockEnds;
   bool endsData = false;          // the data end with it
   bool readErrorFollows = false;  // reading failed right after it

   // Filled by a worker; `parsed` is guarded by the pipeline's mutex. The
   // worker parses the lines between the first and the last line end.
   bool parsed = false;
   bool hasLineEnd = false;
   size_t firstLineEnd = 0;  // the bytes before it end a line begun earlier
   size_t tailStart = 0;     // after the last line end: a line that goes on
   std::vector<MarkerRow> rows;  // views into `text`
   int64_t lines = 0;
   bool failed = false;
   std::string reason;
   int failedSample = -1;
};

// One line parsed, its rows appended to `rows`. False, with the failure
// recorded in `chunk`, when the line is bad.
bool ParseLine(RecordParser& parser, const char* line, size_t length,
               std::vector<MarkerRow>& rows, Chunk& chunk) {
   if (length > 0 && line[length - 1] == '\r') length--;
   if (length == 0) return true;
   if (!parser.Parse(line, length)) {
      chunk.failed = true;
      chunk.reason = parser.Reason();
      chunk.failedSample = parser.FailedSample();
      return false;
   }
   AppendRows(parser, rows);
   return true;
}

void ParseInside(RecordParser& parser, Chunk& chunk) {
   chunk.rows.clear();
   chunk.lines = 0;
   chunk.failed = false;
   const char* text = chunk.text.data();
   const void* first = memchr(text, '\n', chunk.length);
   chunk.hasLineEnd = first != nullptr;
   if (first == nullptr) return;
   chunk.firstLineEnd = static_cast<const char*>(first) - text;
   chunk.tailStart = static_cast<const char*>(memrchr(text, '\n', chunk.length)) - text + 1;
   for (const char* p = text + chunk.firstLineEnd + 1; p < text + chunk.tailStart;) {
      const char* newline =
          static_cast<const char*>(memchr(p, '\n', text + chunk.tailStart - p));
      chunk.lines++;
      if (!ParseLine(parser, p, newline - p, chunk.rows, chunk)) return;
      p = newline + 1;
   }
}

uint32_t Little32(const unsigned char* p) {
   return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

#ifdef R2_HAT_VCF_WITH_LIBDEFLATE
struct Inflater {
   libdeflate_decompressor* state = libdeflate_alloc_decompressor();
   ~Inflater() { libdeflate_free_decompressor(state); }
};

// Inflates the chunk's blocks after its text; a block that fails ends the
// chunk there, with a read error after it.
void Inflate(Inflater& inflater, Chunk& chunk) {
   size_t start = 0;
   for (size_t end : chunk.blockEnds) {
      const unsigned char* block = chunk.packed.data() + start;
      size_t size = end - start;
      start = end;
      size_t header = 12 + (block[10] | block[11] << 8);
      uint32_t check = Little32(block + size - 8), inflated = Little32(block + size - 4);
      size_t got = 0;
      if (inflated > kMaxBlockText || chunk.length + inflated > chunk.text.size() ||
          (libdeflate_deflate_decompress(inflater.state, block + header, size - header - 8,
                                         chunk.text.data() + chunk.length, inflated,
                                         &got) != LIBDEFLATE_SUCCESS) ||
          got != inflated ||
          libdeflate_crc32(0, chunk.text.data() + chunk.length, inflated) != check) {
         chunk.readErrorFollows = true;
         chunk.endsData = false;
         return;
      }
      chunk.length += inflated;
   }
}
#endif

// Where the chunks come from, read on the calling thread.
class Source {
public:
   virtual ~Source() = default;
   // False when the data are used up.
   virtual bool Fill(Chunk& chunk) = 0;
};

class TextSource : public Source {
public:
   explicit TextSource(const ReadBytes& read) : read(read) {}
   bool Fill(Chunk& chunk) override {
      if (finished) return false;
      chunk.text.resize(kChunkBytes);
      chunk.length = 0;
      chunk.endsData = chunk.readErrorFollows = false;
      ssize_t got = 1;
      while (chunk.length < kChunkBytes &&
             (got = read(chunk.text.data() + chunk.length, kChunkBytes - chunk.length)) > 0)
         chunk.length += got;
      finished = chunk.endsData = got == 0;
      if (got < 0) finished = chunk.readErrorFollows = true;
      return true;
   }

private:
   const ReadBytes& read;
   bool finished = false;
};

class BlockSource : public Source {
public:
   explicit BlockSource(BGZF* stream) : stream(stream) {}
   bool Fill(Chunk& chunk) override {
      if (finished) return false;
      chunk.length = 0;
      chunk.packed.clear();
      chunk.blockEnds.clear();
      chunk.endsData = chunk.readErrorFollows = false;
      // The rest of the block htslib was reading goes first, as text.
      size_t rest = stream->block_length > stream->block_offset
                        ? stream->block_length - stream->block_offset
                        : 0;
      chunk.text.resize(rest + kBlocksPerChunk * kMaxBlockText);
      if (rest > 0) {
         if (bgzf_read(stream, chunk.text.data(), rest) != static_cast<ssize_t>(rest))
            return Stop(chunk, false);
         chunk.length = rest;
      }
      while (chunk.blockEnds.size() < kBlocksPerChunk) {
         size_t start = chunk.packed.size();
         chunk.packed.resize(start + 12);
         ssize_t got = Raw(chunk.packed.data() + start, 12);
         if (got == 0) {
            chunk.packed.resize(start);
            return Stop(chunk, true);
         }
         const unsigned char* head = chunk.packed.data() + start;
         if (got != 12 || head[0] != 31 || head[1] != 139 || head[2] != 8 || !(head[3] & 4))
            return Stop(chunk, false);
         size_t extra = head[10] | head[11] << 8;
         chunk.packed.resize(start + 12 + extra);
         if (Raw(chunk.packed.data() + start + 12, extra) != static_cast<ssize_t>(extra))
            return Stop(chunk, false);
         size_t size = BlockSize(chunk.packed.data() + start + 12, extra);
         if (size < 12 + extra + 8) return Stop(chunk, false);
         chunk.packed.resize(start + size);
         size_t left = size - 12 - extra;
         if (Raw(chunk.packed.data() + start + 12 + extra, left) != static_cast<ssize_t>(left))
            return Stop(chunk, false);
         chunk.blockEnds.push_back(chunk.packed.size());
      }
      return true;
   }

private:
   // Ends the data after this chunk's whole blocks, normally or with an error.
   bool Stop(Chunk& chunk, bool atEnd) {
      finished = true;
      if (!chunk.blockEnds.empty()) chunk.packed.resize(chunk.blockEnds.back());
      chunk.endsData = atEnd;
      chunk.readErrorFollows = !atEnd;
      return true;
   }
   ssize_t Raw(unsigned char* buffer, size_t size) {
      size_t done = 0;
      while (done < size) {
         ssize_t got = bgzf_raw_read(stream, buffer + done, size - done);
         if (got <= 0) return got < 0 ? got : static_cast<ssize_t>(done);
         done += got;
      }
      return static_cast<ssize_t>(done);
   }
   // The BSIZE subfield (the block's size less one) plus one; 0 without it.
   static size_t BlockSize(const unsigned char* extra, size_t length) {
      for (size_t at = 0; at + 4 <= length;) {
         size_t fieldLength = extra[at + 2] | extra[at + 3] << 8;
         if (extra[at] == 'B' && extra[at + 1] == 'C' && fieldLength == 2 && at + 6 <= length)
            return (extra[at + 4] | extra[at + 5] << 8) + 1;
         at += 4 + fieldLength;
      }
      return 0;
   }

   BGZF* stream;
   bool finished = false;
};

TextLinesOutcome RunPipeline(Source& source, bool inflate, const TextLinesJob& job,
                             const RowSink& sink) {
   TextLinesOutcome outcome;
   const int workers = job.workers;
   // Enough chunks in flight that every thread has one while the calling
   // thread reads the next and hands on the last.
   const size_t slots = workers > 0 ? 2 * static_cast<size_t>(workers) + 2 : 1;
   std::vector<Chunk> chunks(slots);
   std::mutex mutex;
   std::condition_variable queued, parsed;
   std::deque<Chunk*> queue;
   bool stop = false;

   auto prepare = [inflate](RecordParser& parser, Chunk& chunk) {
#ifdef R2_HAT_VCF_WITH_LIBDEFLATE
      thread_local Inflater inflater;
      if (inflate) Inflate(inflater, chunk);
#else
      (void)inflate;
#endif
      ParseInside(parser, chunk);
   };
   std::vector<std::thread> threads;
   for (int w = 0; w < workers; w++)
      threads.emplace_back([&] {
         RecordParser parser(job.field, job.headerSamples, job.selected);
         std::unique_lock<std::mutex> lock(mutex);
         for (;;) {
            queued.wait(lock, [&] { return stop || !queue.empty(); });
            if (stop) return;
            Chunk* chunk = queue.front();
            queue.pop_front();
            lock.unlock();
            prepare(parser, *chunk);
            lock.lock();
            chunk->parsed = true;
            parsed.notify_all();
         }
      });

   RecordParser parser(job.field, job.headerSamples, job.selected);
   std::vector<char> carry;  // a line begun in earlier chunks
   std::vector<MarkerRow> rows;
   Chunk failure;
   // The line ended in `chunk` (at `length` of its text) after the carry.
   auto carried = [&](const Chunk& chunk, size_t length) {
      carry.insert(carry.end(), chunk.text.data(), chunk.text.data() + length);
      outcome.lines++;
      rows.clear();
      bool good = ParseLine(parser, carry.data(), carry.size(), rows, failure);
      for (const MarkerRow& row : rows) sink(row);
      return good;
   };
   auto failed = [&](const Chunk& bad) {
      outcome.end = TextLinesOutcome::End::kBadLine;
      outcome.reason = bad.reason;
      outcome.failedSample = bad.failedSample;
      return false;
   };
   // Hands on the lines that end in the chunk; false where the lines stop.
   auto handOn = [&](Chunk& chunk) {
      if (workers == 0) {
         prepare(parser, chunk);
      } else {
         std::unique_lock<std::mutex> lock(mutex);
         parsed.wait(lock, [&] { return chunk.parsed; });
      }
      if (!chunk.hasLineEnd) {
         carry.insert(carry.end(), chunk.text.data(), chunk.text.data() + chunk.length);
      } else {
         if (!carried(chunk, chunk.firstLineEnd)) return failed(failure);
         carry.assign(chunk.text.data() + chunk.tailStart, chunk.text.data() + chunk.length);
         for (const MarkerRow& row : chunk.rows) sink(row);
         outcome.lines += chunk.lines;
         if (chunk.failed) return failed(chunk);
      }
      if (chunk.readErrorFollows) {
         outcome.end = TextLinesOutcome::End::kReadError;
         return false;
      }
      // A last line without a line end, which may have been cut short.
      if (chunk.endsData && !carry.empty()) {
         Chunk none;
         outcome.lineEndsData = true;
         if (!carried(none, 0)) return failed(failure);
      }
      return true;
   };

   size_t filled = 0, handed = 0;
   bool going = true;
   while (going) {
      if (filled - handed == slots && !(going = handOn(chunks[handed++ % slots]))) break;
      Chunk& chunk = chunks[filled % slots];
      chunk.parsed = false;  // handed on, so no thread holds it
      if (!source.Fill(chunk)) break;
      filled++;
      if (workers > 0) {
         std::lock_guard<std::mutex> lock(mutex);
         queue.push_back(&chunk);
         queued.notify_one();
      }
   }
   while (going && handed < filled) going = handOn(chunks[handed++ % slots]);
   {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
   }
   queued.notify_all();
   for (std::thread& thread : threads) thread.join();
   return outcome;
}

}  // namespace

void AppendRows(const RecordParser& parser, std::vector<MarkerRow>& rows) {
   MarkerRow row;
   row.chrom = parser.chrom;
   row.pos = parser.pos;
   row.id = parser.id;
   row.ref = parser.ref;
   for (size_t a = 0; a < parser.Alternates().size(); a++) {
      row.alt = parser.Alternates()[a];
      row.sums = parser.Alleles()[a];
      rows.push_back(row);
   }
}

TextLinesOutcome ParseTextLines(const ReadBytes& read, const TextLinesJob& job,
                                const RowSink& sink) {
   TextSource source(read);
   return RunPipeline(source, false, job, sink);
}

bool CanInflateBgzfBlocks() {
#ifdef R2_HAT_VCF_WITH_LIBDEFLATE
   return true;
#else
   return false;
#endif
}

TextLinesOutcome ParseBgzfLines(BGZF* stream, const TextLinesJob& job, const RowSink& sink) {
   BlockSource source(stream);
   return RunPipeline(source, CanInflateBgzfBlocks(), job, sink);
}
