// r2_hat_bgen: allele frequencies and the empirical imputation quality r2_hat
// of every variant of a BGEN file, in the info layout of r2_hat; with --sums
// also each marker's n, sum and sum of squares, which --merge pools across
// batches of samples (of BGEN, VCF or BCF files alike).
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BgenFile.h"
#include "BgenIndex.h"
#include "Genotypes.h"
#include "base/StringArray.h"
#include "base/StringBasics.h"
#include "io/Error.h"
#include "io/InputFile.h"
#include "io/OutputFile.h"
#include "params/Parameters.h"
#include "program/CommandLine.h"
#include "program/OrderedWork.h"
#include "program/Progress.h"
#include "program/Version.h"
#include "program/WorkerThreads.h"
#include "quality/Selection.h"
#include "quality/QualityOutputs.h"

namespace {

const char kUsage[] =
    "Usage: r2_hat_bgen [options] FILE.bgen\n"
    "       r2_hat_bgen [options] --merge SUMS...\n"
    "\n"
    "Allele frequencies and the empirical imputation quality r2_hat of every variant of\n"
    "a BGEN file (layout 1 or 2; uncompressed, zlib or zstd), from the expected allele\n"
    "counts of its probabilities, written to PREFIX.info. Options come before the\n"
    "files; names may be shortened.\n"
    "\n"
    "  --sample-file FILE    sample identifiers from a .sample file (ID_2 column),\n"
    "                        in place of those the BGEN file holds\n"
    "  --samples FILE        only the samples named in FILE, one per line\n"
    "  --range CHR:FROM-TO   only variants whose position lies in the range (through\n"
    "                        FILE.bgi when it exists, else by reading the file)\n"
    "  -o, --prefix PREFIX   name of the outputs without suffix (default r2_hat_bgen.out)\n"
    "  --sums                also write each marker's n, sum and sum of squares to\n"
    "                        PREFIX.sums\n"
    "  --merge               the files are sums files of batches of samples: report the\n"
    "                        pooled samples\n"
    "  --threads N           threads that decompress and convert (default: every core)\n"
    "  -h, --help, --version\n"
    "\n"
    "See the manual page r2_hat_bgen(1).\n";

// Variants handed to a worker at a time: enough data that the hand-over
// costs little, few enough that memory stays small.
const size_t kBatchBytes = 1 << 20;
const size_t kBatchVariants = 64;

struct Batch {
   std::vector<RawVariant> variants;  // reused: their buffers keep their room
   size_t used = 0;
   size_t dataBytes = 0;
   std::vector<std::vector<MarkerSums>> sums;
   size_t failed = SIZE_MAX;  // the variant whose data could not be read
   std::string reason;
};

// The identifiers of a .sample file: a line of column names, a line of
// column types, then one line per sample. The identifier is ID_2 (ID_1 is
// often a family, or "0"), or ID_1 in a file of one column.
std::vector<std::string> ReadSampleFile(const std::string& name) {
   IFILE file = ifopen(name.c_str(), "rb");
   if (file == nullptr) error("Sample file [%s] could not be opened\n", name.c_str());
   std::vector<std::string> ids;
   String line;
   StringArray fields;
   long long number = 0;
   while (!ifeof(file)) {
      line.ReadLine(file);
      number++;
      fields.ReplaceTokens(line, " \t\r");
      if (number <= 2) {
         if (fields.Length() == 0 || (number == 1 && fields[0] != "ID_1")) {
            ifclose(file);
            error("Sample file [%s] does not begin with its lines of column names (ID_1 ID_2 "
                  "...) and types (0 0 ...)\n",
                  name.c_str());
         }
         continue;
      }
      if (fields.Length() == 0) continue;
      const String& id = fields[fields.Length() > 1 ? 1 : 0];
      ids.emplace_back(static_cast<const char*>(id), id.Length());
   }
   bool failed = iferror(file) != 0;
   ifclose(file);
   if (failed) error("Sample file [%s] could not be read to its end\n", name.c_str());
   return ids;
}

bool Exists(const std::string& name) {
   struct stat info;
   return stat(name.c_str(), &info) == 0;
}

}  // namespace

int main(int argc, char** argv) {
   ExitOnHelpOrVersion(argc, argv, "r2_hat_bgen", kUsage);
   String sampleFile, samples, range, prefix("r2_hat_bgen.out"), threadsText;
   bool writeSums = false, merge = false, help = false, version = false;
   LongParameterList table[] = {
       {nullptr, nullptr, false, 0, false},
       {"Input", nullptr, false, 0, false},
       {"sample-file", &sampleFile, false, 4, false},
       {"samples", &samples, false, 4, false},
       {"range", &range, false, 4, false},
       {"Output", nullptr, false, 0, false},
       {"prefix[-o]", &prefix, false, 4, false},
       {"sums", &writeSums, false, 1, false},
       {"Batches", nullptr, false, 0, false},
       {"merge", &merge, false, 1, false},
       {"Run", nullptr, false, 0, false},
       {"threads", &threadsText, false, 4, false},
       {"Information", nullptr, false, 99, false},
       {"help", &help, false, 1, false},
       {"version", &version, false, 1, false},
       {nullptr, nullptr, false, 0, false},
   };
   StrictParameterList options(4,
                               "The command line has problems, listed above: nothing was read\n");
   options.Add(new LongParameters("Available Options", table));
   options.Add(new HiddenString('o', "Output prefix", prefix));
   int last = options.ReadWithTrailer(argc, argv, 1);
   AnswerHelpOrVersion(help, version, "r2_hat_bgen", kUsage);

   printf(
       "Calculate empirical Rsq (r2_hat) from BGEN genotype probabilities, Version %s \n"
       "            loci toolkit - quality control of genotype imputation\n\n",
       LociVersion());
   options.Status();
   int threads = WorkerThreads(threadsText);

   std::vector<std::string> files = FileArguments(argc, argv, last);
   if (merge && files.empty()) error("--merge needs the sums files of the batches\n");
   if (!merge && files.size() != 1)
      error("Name one BGEN file after the options, not %d\n", static_cast<int>(files.size()));
   if (merge && (sampleFile != "" || samples != "" || range != ""))
      error("--sample-file, --samples and --range select from a BGEN file, not from sums\n");
   if (!merge && files[0] == "-")
      error("BGEN input is read from a file, not from standard input\n");
   if (prefix.IsEmpty()) error("The output prefix is empty: name the outputs with -o PREFIX\n");
   Region region;
   if (range != "") region = ParseRegion(std::string(range));

   OutputSet outputs;
   for (const std::string& file : files) outputs.Input(file);
   std::string indexName = merge ? "" : files[0] + ".bgi";
   bool indexed = range != "" && ReadsBgenIndexes() && Exists(indexName);
   if (indexed) outputs.Input(indexName);
   outputs.Input(static_cast<const char*>(sampleFile));
   outputs.Input(static_cast<const char*>(samples));

   if (merge) {
      QualityOutputs quality(outputs, std::string(prefix), writeSums);
      PoolSums(files, quality);
      quality.Commit();
      return 0;
   }

   BgenFile bgen(files[0]);
   const BgenHeader& header = bgen.Header();
   if (header.compression == BgenCompression::kZstd && !GenotypeConverter::ReadsZstd())
      error("BGEN file [%s] is compressed with zstd, which this build does not read\n",
            bgen.Name());

   // Sample identifiers: a .sample file overrides those of the BGEN file.
   std::vector<std::string> names = header.sampleIds;
   std::string namesSource = files[0];
   if (sampleFile != "") {
      names = ReadSampleFile(std::string(sampleFile));
      namesSource = std::string(sampleFile);
      if (names.size() != header.samples)
         error("Sample file [%s] lists %zu samples, the BGEN file [%s] has %" PRIu32 "\n",
               namesSource.c_str(), names.size(), bgen.Name(), header.samples);
   }
   std::vector<char> included;
   int selectedCount = static_cast<int>(header.samples);
   if (samples != "") {
      if (names.empty())
         error("BGEN file [%s] holds no sample identifiers: give them with --sample-file\n",
               bgen.Name());
      std::vector<int> chosen =
          SelectSamples(names, std::string(samples), namesSource.c_str());
      included.assign(header.samples, 0);
      for (int i : chosen) included[static_cast<size_t>(i)] = 1;
      selectedCount = static_cast<int>(chosen.size());
   }

   std::vector<uint64_t> starts;
   bool chromosomeSeen = false;  // a region must name a chromosome of the file
   if (indexed) starts = IndexedVariants(indexName, files[0], header, region, chromosomeSeen);
   const Region* scanRegion = range != "" && !indexed ? &region : nullptr;

   QualityOutputs quality(outputs, std::string(prefix), writeSums);

   // The calling thread reads and converts too: threads - 1 workers beside it
   // (a worker more only contends with the reading on a core).
   int workers = threads > 1 ? threads - 1 : 0;
   std::vector<std::unique_ptr<GenotypeConverter>> converters;
   for (int t = 0; t <= workers; t++) converters.emplace_back(new GenotypeConverter(header, included));
   OrderedWork<Batch> work(workers, 2 * workers + 2, [&](Batch& batch, int thread) {
      batch.failed = SIZE_MAX;
      batch.sums.resize(batch.used);
      for (size_t v = 0; v < batch.used; v++)
         if (!converters[static_cast<size_t>(thread)]->Convert(batch.variants[v], batch.sums[v],
                                                                batch.reason)) {
            batch.failed = v;
            return;
         }
   });

   int64_t variantsRead = 0, rows = 0;
   ProgressLine progress("r2_hat_bgen");
   auto handOn = [&](Batch& batch) {
      for (size_t v = 0; v < batch.used; v++) {
         const RawVariant& variant = batch.variants[v];
         if (v == batch.failed)
            error("BGEN file [%s], variant %s (at byte %" PRIu64 "): %s\n", bgen.Name(),
                  variant.Name().c_str(), variant.start, batch.reason.c_str());
         MarkerRow row;
         row.chrom = variant.chrom;
         row.pos = variant.position;
         row.id = !variant.rsid.empty() && variant.rsid != "."
                      ? std::string_view(variant.rsid)
                      : !variant.id.empty() ? std::string_view(variant.id) : std::string_view(".");
         row.ref = variant.alleles[0];
         for (size_t k = 1; k < variant.alleles.size(); k++) {
            row.alt = variant.alleles[k];
            row.sums = batch.sums[v][k - 1];
            quality.Write(row);
            rows++;
         }
      }
      return true;
   };

   Batch* batch = work.Free(handOn);
   batch->used = batch->dataBytes = 0;
   size_t next = 0;
   uint64_t total = indexed ? starts.size() : header.variants;
   while (true) {
      if (indexed) {
         if (next == starts.size()) break;
         bgen.Seek(starts[next++]);
      }
      if (batch->variants.size() == batch->used) batch->variants.emplace_back();
      RawVariant& variant = batch->variants[batch->used];
      if (!bgen.Next(variant, scanRegion)) {
         if (indexed)
            error("Index [%s] lists more variants than the BGEN file [%s] holds\n",
                  indexName.c_str(), bgen.Name());
         break;
      }
      variantsRead++;
      progress.Count("variants", static_cast<long>(variantsRead), static_cast<long>(total));
      if (scanRegion != nullptr && !chromosomeSeen) chromosomeSeen = variant.chrom == region.chrom;
      if (!variant.selected) continue;
      batch->used++;
      batch->dataBytes += variant.data.size();
      if (batch->used == kBatchVariants || batch->dataBytes >= kBatchBytes) {
         work.Submit(batch);
         batch = work.Free(handOn);
         batch->used = batch->dataBytes = 0;
      }
   }
   if (batch->used > 0) {
      work.Submit(batch);
   }
   work.Drain(handOn);
   progress.Clear();
   if (range != "" && !chromosomeSeen)
      error("Region [%s] names no chromosome of [%s]: nothing was written\n",
            static_cast<const char*>(range), bgen.Name());

   printf("Read %" PRId64 " variants of [%s]: %" PRId64
          " markers, dosages of %d of %" PRIu32 " samples\n\n",
          variantsRead, bgen.Name(), rows, selectedCount, header.samples);
   quality.Commit();
   return 0;
}
