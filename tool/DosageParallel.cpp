#include "tool/DosageParallel.h"

#include <algorithm>
#include <cstring>

#include "base/StringBasics_internal.h"

namespace {

// The position of the first line end in [0, size), or size; memchr and
// memrchr scan at the speed of the vector unit.
size_t FirstLineEnd(const char* bytes, size_t size) {
   const void* lf = memchr(bytes, '\n', size);
   size_t end = lf != nullptr ? static_cast<const char*>(lf) - bytes : size;
   const void* cr = memchr(bytes, '\r', end);
   return cr != nullptr ? static_cast<const char*>(cr) - bytes : end;
}

// The position just after the last line end in [from, to), or 0 if none.
size_t AfterLastLineEnd(const char* bytes, size_t from, size_t to) {
   const void* lf = memrchr(bytes + from, '\n', to - from);
   size_t start = lf != nullptr ? static_cast<const char*>(lf) - bytes + 1 : from;
   const void* cr = memrchr(bytes + start, '\r', to - start);
   if (cr != nullptr) return static_cast<const char*>(cr) - bytes + 1;
   return lf != nullptr ? start : 0;
}

}  // namespace

// Bytes of input; grown without clearing what it has not held yet.
struct ParallelDosageParser::Text {
   std::unique_ptr<char[]> bytes;
   size_t size = 0;
   size_t capacity = 0;

   void Reserve(size_t wanted) {
      if (wanted <= capacity) return;
      size_t grown = std::max(wanted, capacity * 2);
      std::unique_ptr<char[]> fresh(new char[grown]);
      if (size > 0) memcpy(fresh.get(), bytes.get(), size);
      bytes = std::move(fresh);
      capacity = grown;
   }
};

struct ParallelDosageParser::Batch {
   Text text;            // whole lines, but for the last batch
   int memory = 0;       // line-end memory at its start
   size_t searched = 0;  // the text before this holds no line end
   bool final = false;
   bool readError = false;
   int64_t sequence = 0;  // dispatch order: the order of its adds

   // Filled by a worker.
   std::unique_ptr<double[]> values;  // the accepted lines' dosages, line after line
   size_t valuesCapacity = 0;
   long long lines = 0;  // line ends, as the notices count them
   int64_t accepted = 0;
   std::vector<std::pair<long long, long>> skipped;  // line within the batch, dosage count
   int endMemory = 0;
   bool done = false;
};

// A worker's view of one batch: each line is converted into the next free
// row of the batch's values, which an accepted line keeps.
class ParallelDosageParser::BatchLines : public DosageLines {
public:
   BatchLines(int markerCount, int leadingFields, Batch& batch)
       : DosageLines(markerCount, leadingFields),
         batch(batch),
         row(static_cast<size_t>(markerCount > 0 ? markerCount : 0)) {
      Reserve(1);
      out = batch.values.get();
      SetLineEndMemory(batch.memory);
   }

protected:
   void LineEnded(long fields) override {
      batch.lines++;
      if (fields == 0) return;
      long dosages = fields - leadingFields;
      if (dosages != markerCount) {
         batch.skipped.emplace_back(batch.lines, dosages);
         return;
      }
      batch.accepted++;
      Reserve(static_cast<size_t>(batch.accepted) + 1);
      out = batch.values.get() + batch.accepted * row;
   }

private:
   // Room for `rows` rows, keeping the accepted ones.
   void Reserve(size_t rows) {
      size_t needed = std::max<size_t>(rows * row, 1);
      if (batch.valuesCapacity >= needed) return;
      size_t capacity = std::max(needed, batch.valuesCapacity * 2);
      std::unique_ptr<double[]> grown(new double[capacity]);
      if (batch.accepted > 0)
         memcpy(grown.get(), batch.values.get(), batch.accepted * row * sizeof(double));
      batch.values = std::move(grown);
      batch.valuesCapacity = capacity;
   }

   Batch& batch;
   const size_t row;
};

ParallelDosageParser::ParallelDosageParser(int markerCount, int leadingFields, double* sum,
                                           double* sumsq, int64_t* count, int workers,
                                           size_t batchBytes, size_t lineCap)
    : markerCount(markerCount),
      leadingFields(leadingFields),
      sum(sum),
      sumsq(sumsq),
      count(count),
      batchBytes(std::max<size_t>(batchBytes, 1)),
      // Lines of the usual shape (a few bytes per dosage) always fit a batch.
      lineCap(lineCap > 0 ? lineCap
                          : std::max<size_t>(8 * this->batchBytes,
                                             16 * static_cast<size_t>(std::max(markerCount, 0)))),
      memory(loci_internal::IfileLineEnd()) {
   workers = std::max(workers, 1);
   // The thread that converts a batch also adds it, once every batch before
   // it is added: the sums see the lines in order, and the calling thread is
   // left to read.
   work.reset(new OrderedWork<Batch>(workers, workers + 2, [this](Batch& batch, int) {
      Convert(batch);
      {
         std::unique_lock<std::mutex> lock(addMutex);
         addTurn.wait(lock, [&] { return nextToAdd == batch.sequence; });
      }
      Add(batch);
      {
         std::lock_guard<std::mutex> lock(addMutex);
         nextToAdd++;
      }
      addTurn.notify_all();
   }));
   add = [](Batch&) { return true; };
   current = FreeBatch();
   current->memory = memory;
}

ParallelDosageParser::~ParallelDosageParser() {
   work.reset();  // its threads end before what they use
}

void ParallelDosageParser::Convert(Batch& batch) {
   batch.lines = 0;
   batch.accepted = 0;
   batch.skipped.clear();
   BatchLines lines(markerCount, leadingFields, batch);
   lines.Feed(batch.text.bytes.get(), batch.text.size);
   if (batch.final) lines.FinishLines(batch.readError);
   batch.endMemory = lines.LineEndMemory();
}

ParallelDosageParser::Batch* ParallelDosageParser::FreeBatch() {
   Batch* batch = work->Free(add);
   batch->text.size = 0;
   batch->searched = 0;
   batch->final = false;
   batch->readError = false;
   return batch;
}

void ParallelDosageParser::Dispatch(bool final, bool readError) {
   current->final = final;
   current->readError = readError;
   current->sequence = dispatched++;
   work->Submit(current);
   current = nullptr;
}

void ParallelDosageParser::Add(Batch& batch) {
   for (const auto& [line, dosages] : batch.skipped)
      PrintSkippedLine(lineNumber + line, dosages, markerCount);
   const size_t row = static_cast<size_t>(std::max(markerCount, 0));
   for (int64_t j = 0; j < batch.accepted; j++) {
      const double* d = batch.values.get() + j * row;
      for (int i = 0; i < markerCount; i++) {
         sum[i] += d[i];
         sumsq[i] += d[i] * d[i];
      }
   }
   lineNumber += batch.lines;
   accepted += batch.accepted;
   if (batch.final) memory = batch.endMemory;
}

void ParallelDosageParser::AddAll() {
   work->Drain(add);
}

void ParallelDosageParser::Feed(const char* data, size_t size) {
   Text& text = current->text;
   text.Reserve(text.size + size);
   memcpy(text.bytes.get() + text.size, data, size);
   text.size += size;
   Process();
}

void ParallelDosageParser::Read(BlockSource& source,
                                const std::function<void(uint64_t)>& progress) {
   // Read straight into the batch being filled: no copy between reading
   // and converting.
   const size_t chunk = std::min<size_t>(batchBytes, 1 << 18);
   uint64_t bytes = 0;
   while (true) {
      Text& text = current->text;
      text.Reserve(text.size + chunk);
      size_t got = source.Read(text.bytes.get() + text.size, chunk);
      if (got == 0) break;
      text.size += got;
      bytes += got;
      progress(bytes);
      Process();
   }
   Finish(source.Failed());
}

void ParallelDosageParser::Process() {
   while (true) {
      Text& text = current->text;
      char* bytes = text.bytes.get();
      if (inLongLine) {
         size_t q = FirstLineEnd(bytes, text.size);
         if (q == text.size) {
            streaming->Feed(bytes, text.size);
            text.size = 0;
            return;
         }
         streaming->Feed(bytes, q + 1);
         memmove(bytes, bytes + q + 1, text.size - q - 1);
         text.size -= q + 1;
         inLongLine = false;
         lineNumber = streaming->LineNumber();
         current->memory = streaming->LineEndMemory();
      }
      size_t n = text.size;
      if (n < batchBytes) return;

      // Cut after the last line end: the rest, part of a line, begins the
      // next batch, with the line-end memory it would find there.
      // Bytes before `searched` are known to hold no line end: a long line
      // is scanned once, not at every read.
      size_t k = AfterLastLineEnd(bytes, current->searched, n);
      if (k == 0) {
         if (n <= lineCap) {
            current->searched = n;
            return;
         }
         // A line too long to hold: stream it once all before it is added.
         // It begins with a byte that is no line end, so the line-end memory
         // it meets does not matter.
         AddAll();
         if (!streaming)
            streaming.reset(new DosageParser(markerCount, leadingFields, sum, sumsq, nullptr));
         streaming->SetLineNumber(lineNumber);
         streaming->Feed(bytes, n);
         text.size = 0;
         current->searched = 0;
         inLongLine = true;
         return;
      }
      size_t runStart = k - 1;
      while (runStart > 0 && IsDosageLineEnd(bytes[runStart - 1])) runStart--;
      int cutMemory = runStart > 0 ? 0 : current->memory;
      for (size_t i = runStart; i < k; i++) cutMemory = NextLineEndMemory(cutMemory, bytes[i]);

      Batch* full = current;
      current = nullptr;
      Batch* next = FreeBatch();
      next->text.Reserve(std::max(n - k, batchBytes));
      memcpy(next->text.bytes.get(), bytes + k, n - k);
      next->text.size = n - k;
      next->memory = cutMemory;
      full->text.size = k;
      current = full;
      Dispatch(false, false);
      current = next;
      return;
   }
}

void ParallelDosageParser::Finish(bool readError) {
   if (inLongLine) {
      streaming->FinishLines(readError);
      lineNumber = streaming->LineNumber();
      memory = streaming->LineEndMemory();
      inLongLine = false;
      current = nullptr;
   } else {
      Dispatch(true, readError);
      AddAll();
   }
   int64_t total = accepted + (streaming ? streaming->Accepted() : 0);
   for (int i = 0; i < markerCount; i++) count[i] += total;
   accepted = 0;
   if (streaming) streaming.reset();
   loci_internal::IfileLineEnd() = memory;
}
