// ped_qc: checks a pedigree and its genotypes before an analysis. It loads
// the data and pedigree files, summarises what they hold, runs the twin and
// Mendelian inheritance checks of every marker and, for each family and
// marker found inconsistent, names the typed persons whose genotype alone
// explains the inconsistency.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "Fileset.h"
#include "Findings.h"
#include "LoadWarnings.h"
#include "Summary.h"
#include "io/Error.h"
#include "io/InputFile.h"
#include "io/OutputFile.h"
#include "params/Parameters.h"
#include "pedigree/Pedigree.h"
#include "pedigree/PedigreeAlleleFreq.h"
#include "pedigree/PlinkFileset.h"
#include "program/CommandLine.h"
#include "program/Progress.h"
#include "program/Version.h"
#include "program/WorkerThreads.h"

namespace {

const char* kUsage =
    "Usage: ped_qc --datafile FILE --pedfile FILE [options]\n"
    "       ped_qc --bfile PREFIX [options]\n"
    "\n"
    "Checks a pedigree and its genotypes: what was loaded, the MZ twins, Mendelian\n"
    "inheritance at every marker, and the genotypes that explain each inconsistency.\n"
    "\n"
    "Input files (several data and pedigree files, separated by commas, are merged):\n"
    "  -d, --datafile FILES    data files: one-letter, LINKAGE or MENDEL layout\n"
    "  -p, --pedfile FILES     pedigree files, one per data file\n"
    "  -m, --mapfile FILE      genetic map in centimorgans (base pairs with --basepairs)\n"
    "  -f, --freqfile FILE     allele frequencies\n"
    "      --bfile PREFIX      instead: the PLINK fileset PREFIX.bed, .bim and .fam,\n"
    "                          read --markerBlock N markers at a time (default: from\n"
    "                          the number of persons)\n"
    "Checks:\n"
    "      --chromosomeX       X-linked markers (also when the map puts every marker on X)\n"
    "      --basepairs         the map file gives base-pair positions\n"
    "Output:\n"
    "  -o, --prefix PREFIX     names of the outputs (default ped_qc): PREFIX.mendel\n"
    "      --writeFreq         also PREFIX.freq, allele frequencies estimated from\n"
    "                          --allGenotypes (default), --founders or --equalFreqs\n"
    "      --blank             also PREFIX.blanked.dat and PREFIX.blanked.ped (with\n"
    "                          --bfile PREFIX.blanked.bed, .bim and .fam), without\n"
    "                          the genotypes that alone explain an inconsistency\n"
    "Run:\n"
    "      --threads N         accepted as by every loci program; no effect here\n"
    "      --help, --version\n"
    "\n"
    "Exit status: 0 when the run completed (inconsistencies found included),\n"
    "1 on a fatal error or when no arguments were given. See man ped_qc.\n";

std::vector<std::string> SplitNames(const String& names) {
   std::vector<std::string> list;
   std::string all(names);
   size_t start = 0;
   while (start <= all.size()) {
      size_t comma = all.find(',', start);
      if (comma == std::string::npos) comma = all.size();
      list.push_back(all.substr(start, comma - start));
      start = comma + 1;
   }
   return list;
}

// The library's messages about an input seldom name its file: a fatal error
// met while one is read ends with the file's name.
const char* inputKind = nullptr;
std::string inputName;

template <class Read>
void Reading(const char* kind, const String& name, Read read) {
   inputKind = kind;
   inputName = static_cast<const char*>(name);
   read();
   inputKind = nullptr;
}

[[noreturn]] void NameTheInput() {
   if (inputKind != nullptr)
      printf("The problem is in the %s [%s]\n", inputKind, inputName.c_str());
   exit(1);
}

void LoadMap(const String& mapFile, bool basepairs) {
   if (basepairs) {
      Reading("map file", mapFile, [&] { PedigreeGlobals::LoadBasepairMap(mapFile); });
      return;
   }
   IFILE input = ifopen(mapFile, "rb");
   if (input == nullptr)
      error(
          "The map file [%s] could not be opened\n\nPlease check that the filename is correct "
          "and that the file is\nnot being used by another program",
          (const char*)mapFile);
   Reading("map file", mapFile, [&] { PedigreeGlobals::LoadMarkerMap(input, true); });
   ifclose(input);
}

// Markers that the map puts on the X chromosome make the checks X-linked,
// when every other marker is also on X: a marker the map does not place, or
// places on XY or the pseudo-autosomal region, is checked as autosomal.
void ChromosomeFromMap(const String& mapFile) {
   int onX = 0, elsewhere = 0, unplaced = 0;
   for (int m = 0; m < PedigreeGlobals::markerCount; m++) {
      MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(m);
      if (info->chromosome == -1)
         unplaced++;
      else if (info->OnChromosomeX())
         onX++;
      else
         elsewhere++;
   }
   if (onX == 0) return;
   if (elsewhere > 0 || unplaced > 0) {
      std::string others;
      if (elsewhere > 0) others = " and elsewhere (" + std::to_string(elsewhere) + ")";
      if (unplaced > 0)
         others += std::string(elsewhere > 0 ? "," : "") + " and does not place others (" +
                   std::to_string(unplaced) + "), read as autosomal";
      error(
          "The map file [%s] puts markers on the X chromosome (%d)%s\n"
          "X-linked markers are checked in a run of their own, with --chromosomeX\n",
          (const char*)mapFile, onX, others.c_str());
   }
   PedigreeGlobals::chromosomeX = true;
   printf("The map puts every marker on the X chromosome: X-linked checks\n");
}

void PrintOutcome(Pedigree& ped, const Findings& findings, const LoadWarnings& warnings, bool blank,
                  long long removed) {
   const Findings::Totals& totals = findings.totals;
   printf("\nSummary\n");
   if (warnings.mergeConflicts > 0)
      printf("   Merge conflicts (sex or parents)   : %d\n", warnings.mergeConflicts);
   if (warnings.absentParents > 0)
      printf("   Founders naming absent parents     : %d\n", warnings.absentParents);
   if (warnings.addedParents > 0)
      printf("   Untyped parents added              : %d\n", warnings.addedParents);
   if (warnings.markersPassedOver > 0)
      printf("   Markers passed over (Y, MT)        : %lld\n", warnings.markersPassedOver);
   if (ped.haveTwins) {
      printf("   MZ twin pairs                      : %d\n", CountTwinPairs(ped));
      printf("   Reports about MZ twins             : %d\n", findings.twinReports);
   }
   printf("   Reports of Mendelian inconsistency : %d\n", findings.reports - findings.twinReports);
   printf("   Families and markers inconsistent  : %lld\n", totals.pairs);
   printf("   Families inconsistent              : %d\n", static_cast<int>(totals.families.size()));
   printf("   Markers inconsistent               : %lld\n", totals.markers);
   printf("   A single culprit                   : %lld\n", totals.single);
   printf("   Several candidate culprits         : %lld\n", totals.several);
   printf("   No single genotype suffices        : %lld\n", totals.none);
   if (findings.unsearched > 0)
      printf("   Too large to search for culprits   : %d\n", findings.unsearched);
   if (blank) printf("   Genotypes removed (--blank)        : %lld\n", removed);
}

int CheckBinaryFileset(const std::string& input, const std::string& stem, bool blank,
                       int markerBlock, bool writeFreq, int estimator) {
   OutputSet outputs;
   PlinkFileset fileset;
   for (const char* suffix : {".bed", ".bim", ".fam"}) outputs.Input(input + suffix);
   std::vector<std::string> outputNames = {stem + ".mendel"};
   if (blank)
      for (const char* suffix : {".bed", ".bim", ".fam"})
         outputNames.push_back(stem + ".blanked" + suffix);
   if (writeFreq) outputNames.push_back(stem + ".freq");
   std::vector<FILE*> streams;
   for (const std::string& name : outputNames) streams.push_back(outputs.Open(name));

   SetFatalHook(NameTheInput);
   fileset.Open(input, markerBlock);
   Pedigree ped;
   std::vector<Person*> personOf;
   LoadWarnings warnings;
   Reading("pedigree file", fileset.FamName().c_str(),
           [&] { LoadFilesetPedigree(fileset, ped, personOf, warnings); });
   PrintPedigreeSummary(ped);
   PrintFilesetMarkers(fileset);

   ProgressLine progress("ped_qc");
   Findings findings(ped, progress);
   printf("\nInheritance check of every marker, X-linked rules on X, autosomal rules elsewhere\n");
   static const unsigned char kBedStart[3] = {0x6c, 0x1b, 0x01};
   if (blank) fwrite(kBedStart, 1, sizeof kBedStart, streams[1]);
   long long removed =
       CheckFileset(fileset, ped, personOf, findings, streams[0], blank ? streams[1] : nullptr,
                    writeFreq ? streams.back() : nullptr, estimator);
   progress.Clear();
   PrintOutcome(ped, findings, warnings, blank, removed);
   if (blank) {
      CopyFile(fileset.BimName(), streams[2]);
      CopyFile(fileset.FamName(), streams[3]);
   }
   outputs.CommitAll();
   printf("\n");
   for (const std::string& name : outputNames) printf("Wrote [%s]\n", name.c_str());
   return 0;
}

}  // namespace

int main(int argc, char** argv) {
   ExitOnHelpOrVersion(argc, argv, "ped_qc", kUsage);

   String dataFile, pedFile, mapFile, freqFile, threads, bfile;
   int markerBlock = 0;
   String prefix("ped_qc");
   bool xLinked = false, basepairs = false, writeFreq = false, blank = false;
   bool allGenotypes = true, founders = false, equalFreqs = false;

   printf(
       "Pedigree quality control (ped_qc), Version %s\n"
       "            loci toolkit - checks of pedigrees and their genotypes\n\n",
       LociVersion());

   StrictParameterList parameters(36);
   LongParameterList longParameters[] = {
       {nullptr, nullptr, false, 0, false},
       {"Input Files", nullptr, false, 0, false},
       {"datafile[-d]", &dataFile, false, 4, false},
       {"pedfile[-p]", &pedFile, false, 4, false},
       {"mapfile[-m]", &mapFile, false, 4, false},
       {"freqfile[-f]", &freqFile, false, 4, false},
       {"bfile", &bfile, false, 4, false},
       {"markerBlock", &markerBlock, false, 2, false},
       {"Checks", nullptr, false, 0, false},
       {"chromosomeX", &xLinked, false, 1, false},
       {"basepairs", &basepairs, false, 1, false},
       {"Output", nullptr, false, 0, false},
       {"prefix[-o]", &prefix, false, 4, false},
       {"writeFreq", &writeFreq, false, 1, false},
       {"blank", &blank, false, 1, false},
       {"Frequencies", nullptr, false, 0, false},
       {"allGenotypes", &allGenotypes, true, 1, false},
       {"founders", &founders, true, 1, false},
       {"equalFreqs", &equalFreqs, true, 1, false},
       {"Run", nullptr, false, 0, false},
       {"threads", &threads, false, 4, false},
       {nullptr, nullptr, false, 0, false},
   };
   parameters.Add(new LongParameters("Available Options", longParameters));
   parameters.Add(new HiddenString('d', "Data File", dataFile));
   parameters.Add(new HiddenString('p', "Pedigree File", pedFile));
   parameters.Add(new HiddenString('m', "Map File", mapFile));
   parameters.Add(new HiddenString('f', "Frequency File", freqFile));
   parameters.Add(new HiddenString('o', "Output prefix", prefix));
   parameters.Read(argc, argv, 1);
   parameters.Status();
   // Checked as every program checks it, though the checks run on one thread.
   WorkerThreads(threads);

   if (!bfile.IsEmpty()) {
      if (prefix.IsEmpty()) error("The output prefix is empty: name the outputs with -o PREFIX\n");
      if (!dataFile.IsEmpty() || !pedFile.IsEmpty() || !mapFile.IsEmpty() || !freqFile.IsEmpty() ||
          xLinked || basepairs)
         error(
             "--bfile names the whole input: it takes no --datafile, --pedfile, --mapfile, "
             "--freqfile, --chromosomeX or --basepairs\n");
      if (markerBlock < 0) error("--markerBlock must be a positive number of markers\n");
      return CheckBinaryFileset(std::string(bfile), std::string(prefix), blank, markerBlock,
                                writeFreq,
                                founders     ? FREQ_FOUNDERS
                                : equalFreqs ? FREQ_EQUAL
                                             : FREQ_ALL);
   }
   if (dataFile.IsEmpty()) error("No data file was named: name one with --datafile (-d)\n");
   if (pedFile.IsEmpty()) error("No pedigree file was named: name one with --pedfile (-p)\n");

   if (prefix.IsEmpty()) error("The output prefix is empty: name the outputs with -o PREFIX\n");

   OutputSet outputs;
   for (const std::string& name : SplitNames(dataFile)) outputs.Input(name);
   for (const std::string& name : SplitNames(pedFile)) outputs.Input(name);
   outputs.Input(static_cast<const char*>(mapFile));
   outputs.Input(static_cast<const char*>(freqFile));
   std::string stem(prefix);
   std::string mendelName = stem + ".mendel", freqName = stem + ".freq";
   std::string blankData = stem + ".blanked.dat", blankPed = stem + ".blanked.ped";
   // Created now, so that an output that cannot be written stops the run
   // before the work; they take their names together once all are complete.
   std::vector<std::string> outputNames = {mendelName};
   if (writeFreq) outputNames.push_back(freqName);
   if (blank) outputNames.insert(outputNames.end(), {blankData, blankPed});
   std::vector<FILE*> streams;
   for (const std::string& name : outputNames) streams.push_back(outputs.Open(name));
   FILE* mendel = streams[0];
   FILE* freq = writeFreq ? streams[1] : nullptr;
   FILE* blankedData = blank ? streams[streams.size() - 2] : nullptr;
   FILE* blankedPed = blank ? streams.back() : nullptr;

   PedigreeGlobals::chromosomeX = xLinked;
   Pedigree ped;
   SetFatalHook(NameTheInput);
   Reading("data file", dataFile, [&] { ped.Prepare(dataFile); });
   if (!mapFile.IsEmpty()) {
      LoadMap(mapFile, basepairs);
      if (!xLinked) ChromosomeFromMap(mapFile);
   }
   if (!freqFile.IsEmpty())
      Reading("allele frequency file", freqFile,
              [&] { PedigreeGlobals::LoadAlleleFrequencies(freqFile, true); });
   LoadWarnings warnings;
   ped.mergeObserver = &warnings;
   Reading("pedigree file", pedFile, [&] { ped.Load(pedFile); });
   ped.mergeObserver = nullptr;
   warnings.FindAbsentParents(ped);

   // From the genotypes as read, before the checks change any.
   if (writeFreq)
      ped.EstimateFrequencies(founders ? FREQ_FOUNDERS : equalFreqs ? FREQ_EQUAL : FREQ_ALL);
   PrintSummary(ped);

   ProgressLine progress("ped_qc");
   Findings findings(ped, progress);
   findings.SaveGenotypes();
   ped.observer = &findings;
   if (ped.haveTwins) {
      printf("\nTwin check of the MZ twins\n");
      findings.checkingTwins = true;
      ped.TwinCheck();
      findings.checkingTwins = false;
   }
   printf("\nInheritance check of every marker, %s rules\n",
          PedigreeGlobals::chromosomeX ? "X-linked" : "autosomal");
   if (PedigreeGlobals::chromosomeX)
      ped.SexLinkedCheck();
   else
      ped.AutosomalCheck();
   ped.observer = nullptr;
   progress.Clear();
   findings.FindCulprits();
   int removed = blank ? findings.BlankCulprits() : 0;
   findings.Flush(mendel);
   PrintOutcome(ped, findings, warnings, blank, removed);

   if (writeFreq) PedigreeGlobals::WriteFreqFile(freq, false);
   if (blank) {
      ped.WriteDataFile(blankedData);
      ped.WritePedigreeFile(blankedPed);
   }
   outputs.CommitAll();
   printf("\n");
   for (const std::string& name : outputNames) printf("Wrote [%s]\n", name.c_str());
   return 0;
}
