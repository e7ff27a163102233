#include "tool/DosageLoader.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "io/Error.h"
#include "io/OutputFile.h"
#include "tool/DosageInput.h"
#include "tool/DosageParallel.h"
#include "tool/DosageParser.h"
#include "tool/Progress.h"

int DOSE_START_INDEX = 2;

namespace {

const char* const kUnnamed = "(open stream)";

// Four blocks of 1 MiB: enough for the decompressing thread to stay ahead,
// small next to the accumulators of a large marker list.
const size_t kBlockSize = 1 << 20;
const int kBlockCount = 4;

struct Accumulators {
   std::unique_ptr<double[]> sum;
   std::unique_ptr<double[]> sumsq;
   std::unique_ptr<int64_t[]> count;
};

Accumulators Allocate(int markerCount) {
   size_t n = markerCount > 0 ? static_cast<size_t>(markerCount) : 0;
   Accumulators acc;
   acc.sum.reset(new (std::nothrow) double[n]());
   acc.sumsq.reset(new (std::nothrow) double[n]());
   acc.count.reset(new (std::nothrow) int64_t[n]());
   if (!acc.sum || !acc.sumsq || !acc.count) error("Memory not allocated for sum and sumsq\n");
   return acc;
}

// The sign of a not-a-number means nothing, and where NaNs of both signs meet
// in a sum the compiler's choice of operand order decides it: every NaN is
// written as "nan", so the report does not change from one build to another.
double SignlessNan(double x) {
   return std::isnan(x) ? std::fabs(x) : x;
}

// Writes one marker's row after its name, in the standard or the info layout.
void WriteRow(FILE* report, const MarkerLoader& markers, int i, double sum, double sumsq,
              int64_t count) {
   const char* al1 = nullptr;
   const char* al2 = nullptr;
   if (markers.hasInfoFile) {
      al1 = markers.allele1[i];
      al2 = markers.allele2[i];
   }

   if (count <= 1) {
      if (markers.hasInfoFile)
         fprintf(report, "\t%s\t%s\t-\t-\t%" PRId64 "\t-\n", al1, al2, count);
      else
         fprintf(report, "\t%" PRId64 "\t-\t-\t-\n", count);
      return;
   }

   double p = (sum / 2.0) / count;
   double q = 1.0 - p;
   double var = (sumsq - (sum * sum) / count) / (count - 1);
   double maf = q > p ? p : q;
   q = SignlessNan(q);
   maf = SignlessNan(maf);

   if (p == 0.0 || p == 1.0) {
      if (markers.hasInfoFile)
         fprintf(report, "\t%s\t%s\t%.3f\t%.3f\t%" PRId64 "\t-\n", al1, al2, q, maf, count);
      else
         fprintf(report, "\t%" PRId64 "\t%.3f\t%.3f\t-\n", count, q, maf);
      return;
   }

   double r2hat = SignlessNan(((var / 2.0) / p) / q);
   if (markers.hasInfoFile)
      fprintf(report, "\t%s\t%s\t%.3f\t%.3f\t%" PRId64 "\t%.3f\n", al1, al2, q, maf, count, r2hat);
   else
      fprintf(report, "\t%" PRId64 "\t%.3f\t%.3f\t%.3f\n", count, q, maf, r2hat);
}

}  // namespace

String DosageLoader::ReportName(const String& prefix, bool hasInfoFile) {
   return prefix + (hasInfoFile ? ".info" : ".r2_hat");
}

void DosageLoader::DosageAnalysis(const char* filename, String& prefix, MarkerLoader& markers) {
   IFILE file = ifopen(filename, "rt");
   if (file == nullptr) error("File [%s] with dosages could not be opened\n\n", filename);
   std::unique_ptr<BlockSource> fast = OpenFastGzipSource(filename);
   Analyse(file, fast.get(), filename, prefix, markers);
   fast.reset();
   ifclose(file);
}

void DosageLoader::DosageAnalysis(IFILE file, String& prefix, MarkerLoader& markers) {
   Analyse(file, nullptr, kUnnamed, prefix, markers);
}

void DosageLoader::Analyse(IFILE& file, BlockSource* preferred, const char* filename,
                           String& prefix, MarkerLoader& markers) {
   int markerCount = markers.markerCount;

   if (markers.hasInfoFile &&
       (markers.allele1.Length() < markerCount || markers.allele2.Length() < markerCount))
      error("Imputation info file gave allele labels for %d of %d markers\n\n",
            markers.allele1.Length() < markers.allele2.Length() ? markers.allele1.Length()
                                                                : markers.allele2.Length(),
            markerCount);
   // Fields before the dosages cannot be fewer than none.
   if (DOSE_START_INDEX < 0) error("DOSE_START_INDEX is %d, below 0\n\n", DOSE_START_INDEX);

   Accumulators acc = Allocate(markerCount);
   double* sum = acc.sum.get();
   double* sumsq = acc.sumsq.get();
   int64_t* count = acc.count.get();

   std::unique_ptr<BlockSource> ifileSource = OpenIfileSource(file, filename);
   BlockSource& source = preferred != nullptr ? *preferred : *ifileSource;
   {
      BlockPipeline pipeline(source, kBlockSize, kBlockCount);
      Progress progress;
      auto run = [&](auto& parser) {
         const char* data;
         size_t size;
         uint64_t bytes = 0;
         while (pipeline.Next(data, size)) {
            parser.Feed(data, size);
            bytes += size;
            progress.Update(bytes, source.Consumed(), source.FileSize());
         }
         parser.Finish(source.Failed());
      };
      // One core: the threads would only take turns.
      int cores = AvailableCores();
      if (cores > 1) {
         ParallelDosageParser parser(markerCount, DOSE_START_INDEX, sum, sumsq, count, cores);
         run(parser);
      } else {
         DosageParser parser(markerCount, DOSE_START_INDEX, sum, sumsq, count);
         run(parser);
      }
   }

   if (source.Failed())
      error("File [%s] with dosages could not be read to its end: %s\n\n", filename,
            source.Reason().c_str());

   String name = ReportName(prefix, markers.hasInfoFile);
   OutputFile output;
   if (!output.Open(name))
      error("Error opening output file [%s]: %s\n", static_cast<const char*>(name),
            output.Reason().c_str());
   FILE* report = output.Stream();

   if (markers.hasInfoFile)
      fwrite("SNP\tAl1\tAl2\tFreq1\tMAF\tnIndiv\tr2_hat\n", 1, 36, report);
   else
      fwrite("Marker\tnIndiv\tFreq1\tMAF\tR2_hat\n", 1, 31, report);

   for (int i = 0; i < markerCount; i++) {
      fputs(markers.markerNames[i], report);
      WriteRow(report, markers, i, sum[i], sumsq[i], count[i]);
      if (ferror(report)) break;
   }

   // Errors surface at the latest when the buffer is flushed on closing.
   if (ferror(report)) {
      int savedErrno = errno;
      output.Abandon();
      error("Could not write the report file [%s]: %s\n", static_cast<const char*>(name),
            strerror(savedErrno));
   }
   if (!output.Commit())
      error("Could not write the report file [%s]: %s\n", static_cast<const char*>(name),
            output.Reason().c_str());

   printf("Wrote out quality measure r2_hat to file [%s%s] ...\n\n",
          static_cast<const char*>(prefix), markers.hasInfoFile ? ".info" : ".r2_hat");
}
