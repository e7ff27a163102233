#include "tool/DosageParallel.h"

#include <sched.h>

#include <algorithm>
#include <cstring>

#include "base/StringBasics_internal.h"

int AvailableCores() {
   cpu_set_t set;
   if (sched_getaffinity(0, sizeof(set), &set) != 0) return 1;
   int cores = CPU_COUNT(&set);
   return cores < 1 ? 1 : cores;
}

struct ParallelDosageParser::Batch {
   std::vector<char> text;  // whole lines, but for the last batch
   int memory = 0;          // line-end memory at its start
   bool final = false;
   bool readError = false;

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
   for (int i = 0; i < workers + 2; i++) {
      batches.emplace_back(new Batch);
      freeBatches.push_back(batches.back().get());
   }
   current = FreeBatch();
   current->memory = memory;
   for (int i = 0; i < workers; i++) threads.emplace_back(&ParallelDosageParser::Work, this);
}

ParallelDosageParser::~ParallelDosageParser() {
   {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
   }
   workReady.notify_all();
   for (std::thread& thread : threads) thread.join();
}

void ParallelDosageParser::Work() {
   while (true) {
      Batch* batch;
      {
         std::unique_lock<std::mutex> lock(mutex);
         workReady.wait(lock, [&] { return stopping || !queue.empty(); });
         if (queue.empty()) return;
         batch = queue.front();
         queue.pop_front();
      }
      Convert(*batch);
      {
         std::lock_guard<std::mutex> lock(mutex);
         batch->done = true;
      }
      batchDone.notify_one();
   }
}

void ParallelDosageParser::Convert(Batch& batch) {
   batch.lines = 0;
   batch.accepted = 0;
   batch.skipped.clear();
   BatchLines lines(markerCount, leadingFields, batch);
   lines.Feed(batch.text.data(), batch.text.size());
   if (batch.final) lines.FinishLines(batch.readError);
   batch.endMemory = lines.LineEndMemory();
}

ParallelDosageParser::Batch* ParallelDosageParser::FreeBatch() {
   if (freeBatches.empty()) AddOldest();
   Batch* batch = freeBatches.back();
   freeBatches.pop_back();
   batch->text.clear();
   batch->final = false;
   batch->readError = false;
   batch->done = false;
   return batch;
}

void ParallelDosageParser::Dispatch(bool final, bool readError) {
   current->final = final;
   current->readError = readError;
   {
      std::lock_guard<std::mutex> lock(mutex);
      queue.push_back(current);
   }
   workReady.notify_one();
   inFlight.push_back(current);
   current = nullptr;
}

void ParallelDosageParser::AddOldest() {
   Batch* batch = inFlight.front();
   {
      std::unique_lock<std::mutex> lock(mutex);
      batchDone.wait(lock, [&] { return batch->done; });
   }
   for (const auto& [line, dosages] : batch->skipped)
      PrintSkippedLine(lineNumber + line, dosages, markerCount);
   const size_t row = static_cast<size_t>(std::max(markerCount, 0));
   for (int64_t j = 0; j < batch->accepted; j++) {
      const double* d = batch->values.get() + j * row;
      for (int i = 0; i < markerCount; i++) {
         sum[i] += d[i];
         sumsq[i] += d[i] * d[i];
      }
   }
   lineNumber += batch->lines;
   accepted += batch->accepted;
   if (batch->final) memory = batch->endMemory;
   inFlight.pop_front();
   freeBatches.push_back(batch);
}

void ParallelDosageParser::AddAll() {
   while (!inFlight.empty()) AddOldest();
}

void ParallelDosageParser::Feed(const char* data, size_t size) {
   const char* p = data;
   const char* end = data + size;
   while (p < end) {
      if (inLongLine) {
         const char* q = p;
         while (q < end && !IsDosageLineEnd(*q)) q++;
         if (q == end) {
            streaming->Feed(p, static_cast<size_t>(end - p));
            return;
         }
         streaming->Feed(p, static_cast<size_t>(q + 1 - p));
         p = q + 1;
         inLongLine = false;
         lineNumber = streaming->LineNumber();
         current->memory = streaming->LineEndMemory();
         continue;
      }

      std::vector<char>& text = current->text;
      text.insert(text.end(), p, end);
      p = end;
      if (text.size() < batchBytes) return;

      // Cut after the last line end: the rest, part of a line, begins the
      // next batch, with the line-end memory it would find there.
      size_t n = text.size();
      size_t k = n;
      while (k > 0 && !IsDosageLineEnd(text[k - 1])) k--;
      if (k == 0) {
         if (n <= lineCap) return;
         // A line too long to hold: stream it once all before it is added.
         // It begins with a byte that is no line end, so the line-end memory
         // it meets does not matter.
         AddAll();
         if (!streaming)
            streaming.reset(new DosageParser(markerCount, leadingFields, sum, sumsq, nullptr));
         streaming->SetLineNumber(lineNumber);
         streaming->Feed(text.data(), n);
         text.clear();
         inLongLine = true;
         continue;
      }
      size_t runStart = k - 1;
      while (runStart > 0 && IsDosageLineEnd(text[runStart - 1])) runStart--;
      int cutMemory = runStart > 0 ? 0 : current->memory;
      for (size_t i = runStart; i < k; i++) cutMemory = NextLineEndMemory(cutMemory, text[i]);

      Batch* full = current;
      current = nullptr;
      Batch* next = FreeBatch();
      next->text.assign(full->text.begin() + static_cast<std::ptrdiff_t>(k), full->text.end());
      next->memory = cutMemory;
      full->text.resize(k);
      current = full;
      Dispatch(false, false);
      current = next;
   }
}

void ParallelDosageParser::Finish(bool readError) {
   if (inLongLine) {
      streaming->FinishLines(readError);
      lineNumber = streaming->LineNumber();
      memory = streaming->LineEndMemory();
      inLongLine = false;
      freeBatches.push_back(current);
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
