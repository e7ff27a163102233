// The dosage parser on every core: the input is cut into batches of whole
// lines, worker threads split and convert each batch into arrays of doubles,
// and the calling thread adds the accepted lines into the sums in line order
// and prints the notices in line order. The report is therefore that of
// DosageParser to the last bit, whatever the number of threads.
//
// Memory: a fixed number of batches (workers + 2) of about `batchBytes` of
// text each, plus their dosages; a line longer than `lineCap` bytes (with no
// line end in sight) is not held in a batch: the batches before it are added,
// and the line is streamed through a DosageParser on the calling thread.
#ifndef LOCI_TOOL_DOSAGEPARALLEL_H
#define LOCI_TOOL_DOSAGEPARALLEL_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "program/OrderedWork.h"
#include "program/WorkerThreads.h"
#include "tool/DosageInput.h"
#include "tool/DosageParser.h"

class ParallelDosageParser {
public:
   // Same accumulators as DosageParser. `workers` threads convert (at least
   // 1); the sizes are for tests that need many cuts.
   ParallelDosageParser(int markerCount, int leadingFields, double* sum, double* sumsq,
                        int64_t* count, int workers, size_t batchBytes = 1 << 20,
                        size_t lineCap = 0);
   ~ParallelDosageParser();
   ParallelDosageParser(const ParallelDosageParser&) = delete;
   ParallelDosageParser& operator=(const ParallelDosageParser&) = delete;

   void Feed(const char* data, size_t size);
   void Finish(bool readError = false);
   // Reads the whole source, then finishes; `progress` is told the bytes
   // read so far.
   void Read(BlockSource& source, const std::function<void(uint64_t)>& progress);

private:
   struct Text;
   struct Batch;
   class BatchLines;

   // Cuts the batch being filled once it is large enough.
   void Process();

   void Dispatch(bool final, bool readError);
   Batch* FreeBatch();
   // Adds a converted batch into the sums, in line order.
   void Add(Batch& batch);
   void AddAll();
   void Convert(Batch& batch);

   const int markerCount;
   const int leadingFields;
   double* const sum;
   double* const sumsq;
   int64_t* const count;
   const size_t batchBytes;
   const size_t lineCap;

   std::unique_ptr<OrderedWork<Batch>> work;
   std::function<bool(Batch&)> add;  // hands on: the adds are done by then
   // The batches are added in dispatch order by the threads that convert them.
   std::mutex addMutex;
   std::condition_variable addTurn;
   int64_t nextToAdd = 0;
   int64_t dispatched = 0;
   Batch* current = nullptr;  // being filled
   int memory;                // line-end memory at the start of `current`
   long long lineNumber = 0;  // lines added so far
   int64_t accepted = 0;

   // Streams a line too long for a batch.
   std::unique_ptr<DosageParser> streaming;
   bool inLongLine = false;
};

#endif
