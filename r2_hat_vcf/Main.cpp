// r2_hat_vcf: allele frequencies and the empirical imputation quality r2_hat
// of every marker of a VCF or BCF file of dosages, in the info layout of
// r2_hat; with --sums also each marker's n, sum and sum of squares, which
// --merge pools across batches of samples.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "VcfReader.h"
#include "base/StringBasics.h"
#include "io/Error.h"
#include "io/OutputFile.h"
#include "params/Parameters.h"
#include "program/CommandLine.h"
#include "program/Version.h"
#include "program/WorkerThreads.h"
#include "quality/QualityOutputs.h"

namespace {

const char kUsage[] =
    "Usage: r2_hat_vcf [options] FILE\n"
    "       r2_hat_vcf [options] --merge SUMS...\n"
    "\n"
    "Allele frequencies and the empirical imputation quality r2_hat of every marker of\n"
    "a VCF or BCF file (plain, gzip or bgzip; - reads standard input), from its dosages,\n"
    "written to PREFIX.info. Options come before the files; names may be shortened.\n"
    "\n"
    "  --field DS|HDS|GP     FORMAT field of the dosages (default DS, else HDS, else GP)\n"
    "  --samples FILE        only the samples named in FILE, one per line\n"
    "  --region CHR:FROM-TO  only records whose POS lies in the region (indexed file)\n"
    "  -o, --prefix PREFIX   name of the outputs without suffix (default r2_hat_vcf.out)\n"
    "  --sums                also write each marker's n, sum and sum of squares to\n"
    "                        PREFIX.sums\n"
    "  --merge               the files are sums files of batches of samples: report the\n"
    "                        pooled samples\n"
    "  --threads N           threads that parse VCF text (default: every core)\n"
    "  -h, --help, --version\n"
    "\n"
    "See the manual page r2_hat_vcf(1).\n";

}  // namespace

int main(int argc, char** argv) {
   ExitOnHelpOrVersion(argc, argv, "r2_hat_vcf", kUsage);
   String field, samples, region, prefix("r2_hat_vcf.out"), threadsText;
   bool writeSums = false, merge = false, help = false, version = false;
   LongParameterList table[] = {
       {nullptr, nullptr, false, 0, false},        {"Input", nullptr, false, 0, false},
       {"field", &field, false, 4, false},         {"samples", &samples, false, 4, false},
       {"region", &region, false, 4, false},       {"Output", nullptr, false, 0, false},
       {"prefix[-o]", &prefix, false, 4, false},   {"sums", &writeSums, false, 1, false},
       {"Batches", nullptr, false, 0, false},      {"merge", &merge, false, 1, false},
       {"Run", nullptr, false, 0, false},          {"threads", &threadsText, false, 4, false},
       {"Information", nullptr, false, 99, false}, {"help", &help, false, 1, false},
       {"version", &version, false, 1, false},     {nullptr, nullptr, false, 0, false},
   };
   StrictParameterList options(4,
                               "The command line has problems, listed above: nothing was read\n");
   options.Add(new LongParameters("Available Options", table));
   options.Add(new HiddenString('o', "Output prefix", prefix));
   int last = options.ReadWithTrailer(argc, argv, 1);
   AnswerHelpOrVersion(help, version, "r2_hat_vcf", kUsage);

   printf(
       "Calculate empirical Rsq (r2_hat) from VCF or BCF dosages, Version %s \n"
       "            loci toolkit - quality control of genotype imputation\n\n",
       LociVersion());
   options.Status();
   int threads = WorkerThreads(threadsText);

   std::vector<std::string> files = FileArguments(argc, argv, last);
   if (merge && files.empty()) error("--merge needs the sums files of the batches\n");
   if (!merge && files.size() != 1)
      error("Name one VCF or BCF file after the options (- for standard input), not %d\n",
            static_cast<int>(files.size()));
   if (merge && (field != "" || samples != "" || region != ""))
      error("--field, --samples and --region select from a VCF or BCF file, not from sums\n");
   if (prefix.IsEmpty()) error("The output prefix is empty: name the outputs with -o PREFIX\n");
   if (region != "") CheckRegion(std::string(region));

   OutputSet outputs;
   for (const std::string& file : files) {
      if (file == "-" && !merge) {
         outputs.StandardInput();
         continue;
      }
      outputs.Input(file);
      // The index of --region: named after "##idx##", or found beside the file.
      size_t named = file.find("##idx##");
      if (region != "" && named != std::string::npos) {
         outputs.Input(file.substr(0, named));
         outputs.Input(file.substr(named + 7));
      } else if (region != "") {
         for (const char* suffix : {".tbi", ".csi"}) outputs.Input(file + suffix);
      }
   }
   outputs.Input(static_cast<const char*>(samples));
   QualityOutputs quality(outputs, std::string(prefix), writeSums);
   if (merge) {
      PoolSums(files, quality);
   } else {
      VcfRequest request;
      request.file = files[0];
      request.field = std::string(field);
      request.samplesFile = std::string(samples);
      request.region = std::string(region);
      // One thread: everything on the calling thread, with no workers.
      request.threads = threads > 1 ? threads : 0;
      VcfCounts counts = ReadVcf(request, quality.Sink());
      printf("Read %" PRId64 " records of [%s]: %" PRId64
             " markers, dosages from %s of %d of %d "
             "samples\n\n",
             counts.records, files[0] == "-" ? "(standard input)" : files[0].c_str(), counts.rows,
             FieldName(counts.field), counts.samples, counts.headerSamples);
   }

   quality.Commit();
   return 0;
}
