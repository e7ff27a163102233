#include "TextLines.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// Large enough that handing a chunk to a thread costs little against parsing
// it, small enough that the chunks in flight take a few MiB.
const size_t kChunkBytes = 1 << 20;

struct Chunk {
   std::vector<char> text;
   size_t length = 0;
   bool endsData = false;          // the data end with its last line
   bool readErrorFollows = false;  // reading failed right after its last line
   // What parsing it gave; `parsed` is guarded by the pipeline's mutex.
   bool parsed = false;
   std::vector<MarkerRow> rows;  // views into `text`
   int64_t lines = 0;
   bool failed = false;
   bool failedLineEndsData = false;
   std::string reason;
   int failedSample = -1;
};

void Parse(RecordParser& parser, Chunk& chunk) {
   chunk.rows.clear();
   chunk.lines = 0;
   chunk.failed = false;
   const char* p = chunk.text.data();
   const char* end = p + chunk.length;
   MarkerRow row;
   while (p < end) {
      const char* newline = static_cast<const char*>(memchr(p, '\n', end - p));
      const char* next = newline != nullptr ? newline + 1 : end;
      size_t length = (newline != nullptr ? newline : end) - p;
      if (length > 0 && p[length - 1] == '\r') length--;
      chunk.lines++;
      if (length > 0) {
         if (!parser.Parse(p, length)) {
            chunk.failed = true;
            chunk.failedLineEndsData = chunk.endsData && next == end;
            chunk.reason = parser.Reason();
            chunk.failedSample = parser.FailedSample();
            return;
         }
         row.chrom = parser.chrom;
         row.pos = parser.pos;
         row.id = parser.id;
         row.ref = parser.ref;
         for (size_t a = 0; a < parser.Alternates().size(); a++) {
            row.alt = parser.Alternates()[a];
            row.sums = parser.Alleles()[a];
            chunk.rows.push_back(row);
         }
      }
      p = next;
   }
}

// Cuts the data into chunks of whole lines.
class Chunker {
public:
   explicit Chunker(const ReadBytes& read) : read(read) {}

   // Fills `chunk` with what the last chunk left of its last line, then with
   // new data up to the last line end in them. False when the data are used up.
   bool Fill(Chunk& chunk) {
      if (finished) return false;
      std::vector<char>& text = chunk.text;
      if (text.size() < kChunkBytes || text.size() < 2 * carry.size())
         text.resize(std::max(kChunkBytes, 2 * carry.size()));
      size_t length = carry.size();
      memcpy(text.data(), carry.data(), length);
      carry.clear();
      chunk.endsData = chunk.readErrorFollows = false;
      for (;;) {
         ssize_t got = 1;
         while (length < text.size() && (got = read(text.data() + length, text.size() - length)) > 0)
            length += got;
         if (got == 0) {
            finished = chunk.endsData = true;
            chunk.length = length;
            return true;
         }
         const void* last = memrchr(text.data(), '\n', length);
         size_t cut = last != nullptr ? static_cast<const char*>(last) - text.data() + 1 : 0;
         if (got < 0) {
            // The lines before the error are read; the line it cut is not.
            finished = chunk.readErrorFollows = true;
            chunk.length = cut;
            return true;
         }
         if (cut > 0) {
            carry.assign(text.data() + cut, text.data() + length);
            chunk.length = cut;
            return true;
         }
         text.resize(2 * text.size());  // a line longer than the chunk
      }
   }

private:
   const ReadBytes& read;
   std::vector<char> carry;
   bool finished = false;
};

}  // namespace

TextLinesOutcome ParseTextLines(const ReadBytes& read, DosageField field, int headerSamples,
                                const std::vector<int>& selected, int workers,
                                const RowSink& sink) {
   TextLinesOutcome outcome;
   // Enough chunks in flight that every thread has one while the calling
   // thread reads the next and hands on the last.
   const size_t slots = workers > 0 ? 2 * static_cast<size_t>(workers) + 2 : 1;
   std::vector<Chunk> chunks(slots);
   std::mutex mutex;
   std::condition_variable queued, parsed;
   std::deque<Chunk*> queue;
   bool stop = false;
   std::vector<std::thread> threads;
   for (int w = 0; w < workers; w++)
      threads.emplace_back([&] {
         RecordParser parser(field, headerSamples, selected);
         std::unique_lock<std::mutex> lock(mutex);
         for (;;) {
            queued.wait(lock, [&] { return stop || !queue.empty(); });
            if (stop) return;
            Chunk* chunk = queue.front();
            queue.pop_front();
            lock.unlock();
            Parse(parser, *chunk);
            lock.lock();
            chunk->parsed = true;
            parsed.notify_all();
         }
      });

   RecordParser parser(field, headerSamples, selected);
   // Hands on the rows of the chunk; false where the lines stop there.
   auto handOn = [&](Chunk& chunk) {
      if (workers == 0) {
         Parse(parser, chunk);
      } else {
         std::unique_lock<std::mutex> lock(mutex);
         parsed.wait(lock, [&] { return chunk.parsed; });
      }
      for (const MarkerRow& row : chunk.rows) sink(row);
      outcome.lines += chunk.lines;
      if (chunk.failed) {
         outcome.end = TextLinesOutcome::End::kBadLine;
         outcome.reason = chunk.reason;
         outcome.failedSample = chunk.failedSample;
         outcome.lineEndsData = chunk.failedLineEndsData;
         outcome.readErrorFollows = chunk.readErrorFollows;
         return false;
      }
      if (chunk.readErrorFollows) outcome.end = TextLinesOutcome::End::kReadError;
      return !chunk.readErrorFollows;
   };

   Chunker chunker(read);
   size_t filled = 0, handed = 0;
   bool going = true;
   while (going) {
      if (filled - handed == slots && !(going = handOn(chunks[handed++ % slots]))) break;
      Chunk& chunk = chunks[filled % slots];
      chunk.parsed = false;  // handed on, so no thread holds it
      if (!chunker.Fill(chunk)) break;
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
