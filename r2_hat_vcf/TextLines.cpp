#include "TextLines.h"

#include <cstring>
#include <functional>
#include <memory>

#include <htslib/bgzf.h>

#include "BgzfBlocks.h"
#include "program/OrderedWork.h"

namespace {

// Large enough that handing a chunk to a thread costs little against parsing
// it, small enough that the chunks in flight take a few MiB.
const size_t kChunkBytes = 1 << 20;
// BGZF blocks per chunk.
const size_t kBlocksPerChunk = 16;

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

   // Filled by a worker, which parses the lines between the first and the
   // last line end.
   bool hasLineEnd = false;
   size_t firstLineEnd = 0;      // the bytes before it end a line begun earlier
   size_t tailStart = 0;         // after the last line end: a line that goes on
   std::vector<MarkerRow> rows;  // views into `text`
   int64_t lines = 0;
   bool failed = false;
   std::string reason;
   int failedSample = -1;
};

// One line parsed, its rows appended to `rows`. False, with the failure
// recorded in `chunk`, when the line is bad.
bool ParseLine(RecordParser& parser, const char* line, size_t length, std::vector<MarkerRow>& rows,
               Chunk& chunk) {
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
      const char* newline = static_cast<const char*>(memchr(p, '\n', text + chunk.tailStart - p));
      chunk.lines++;
      if (!ParseLine(parser, p, newline - p, chunk.rows, chunk)) return;
      p = newline + 1;
   }
}

// Inflates the chunk's blocks after its text; a block that fails ends the
// chunk there, with a read error after it.
void Inflate(BgzfInflater& inflater, Chunk& chunk) {
   size_t start = 0;
   for (size_t end : chunk.blockEnds) {
      size_t length = 0;
      if (!inflater.Inflate(chunk.packed.data() + start, end - start,
                            chunk.text.data() + chunk.length, chunk.text.size() - chunk.length,
                            length)) {
         chunk.readErrorFollows = true;
         chunk.endsData = false;
         return;
      }
      start = end;
      chunk.length += length;
   }
}

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
      chunk.text.resize(rest + kBlocksPerChunk * kBgzfMaxBlockText);
      if (rest > 0) {
         if (bgzf_read(stream, chunk.text.data(), rest) != static_cast<ssize_t>(rest))
            return Stop(chunk, false);
         chunk.length = rest;
      }
      while (chunk.blockEnds.size() < kBlocksPerChunk) {
         BlockRead read = ReadBgzfBlock(stream, chunk.packed);
         if (read != BlockRead::kBlock) return Stop(chunk, read == BlockRead::kEnd);
         chunk.blockEnds.push_back(chunk.packed.size());
      }
      return true;
   }

private:
   // Ends the data after this chunk's whole blocks, normally or with an error.
   bool Stop(Chunk& chunk, bool atEnd) {
      finished = true;
      chunk.packed.resize(chunk.blockEnds.empty() ? 0 : chunk.blockEnds.back());
      chunk.endsData = atEnd;
      chunk.readErrorFollows = !atEnd;
      return true;
   }

   BGZF* stream;
   bool finished = false;
};

TextLinesOutcome RunPipeline(Source& source, bool inflate, const TextLinesJob& job,
                             const RowSink& sink) {
   TextLinesOutcome outcome;
   const int workers = job.workers > 0 ? job.workers : 0;
   // Enough chunks in flight that every thread has one while the calling
   // thread reads the next and hands on the last.
   const int slots = workers > 0 ? 2 * workers + 2 : 1;
   // One parser and inflater per thread, the calling thread's first.
   std::vector<std::unique_ptr<RecordParser>> parsers;
   std::vector<std::unique_ptr<BgzfInflater>> inflaters;
   for (int t = 0; t <= workers; t++) {
      parsers.emplace_back(new RecordParser(job.field, job.headerSamples, job.selected));
      inflaters.emplace_back(new BgzfInflater);
   }
   OrderedWork<Chunk> work(workers, slots, [&](Chunk& chunk, int thread) {
      if (inflate) Inflate(*inflaters[thread], chunk);
      ParseInside(*parsers[thread], chunk);
   });

   RecordParser& parser = *parsers[0];
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
   std::function<bool(Chunk&)> handOn = [&](Chunk& chunk) {
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

   while (Chunk* chunk = work.Free(handOn)) {
      if (!source.Fill(*chunk)) {
         work.Drain(handOn);
         break;
      }
      work.Submit(chunk);
   }
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

TextLinesOutcome ParseBgzfLines(BGZF* stream, const TextLinesJob& job, const RowSink& sink) {
   BlockSource source(stream);
   return RunPipeline(source, CanInflateBgzfBlocks(), job, sink);
}
