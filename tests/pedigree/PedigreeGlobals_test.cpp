#include "pedigree/PedigreeGlobals.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

// The registry is process-wide: every test uses marker names of its own, and
// tests that write maps or frequency files first release all records (names
// and IDs stay), so that only their own records are written.
namespace {

using PG = PedigreeGlobals;
const std::string kData = std::string(LOCI_SOURCE_DIR) + "/tests/data/";

struct TestPedigree : PedigreeGlobals {};

void ReleaseRecords() {
   TestPedigree last;
}

std::string Captured(const std::function<void()>& body) {
   testsupport::StdoutCapture capture;
   body();
   return capture.Finish();
}

// The map file, then the frequency file, as written back.
std::string Written() {
   char* buffer = nullptr;
   size_t size = 0;
   FILE* f = open_memstream(&buffer, &size);
   PG::WriteMapFile(f);
   PG::WriteFreqFile(f, true);
   fclose(f);
   std::string text(buffer, size);
   free(buffer);
   return text;
}

std::string Fatal(const std::string& message) {
   return "\nFATAL ERROR - \n" + message + "\n\n";
}

IntArray IDs(const std::vector<const char*>& names) {
   IntArray ids;
   for (const char* name : names) ids.Append(PG::GetMarkerID(name));
   return ids;
}

class Registry : public ::testing::Test {
protected:
   void SetUp() override { ReleaseRecords(); }
   testsupport::TempDir dir;
};

TEST(Registration, NamesGetDenseIndependentIDsIgnoringCase) {
   int (*kinds[])(const char*) = {PG::GetMarkerID, PG::GetTraitID, PG::GetAffectionID,
                                  PG::GetCovariateID};
   const StringArray* names[] = {&PG::markerNames, &PG::traitNames, &PG::affectionNames,
                                 &PG::covariateNames};
   for (int k = 0; k < 4; k++) {
      int before = PG::markerCount + PG::traitCount + PG::affectionCount + PG::covariateCount;
      int id = kinds[k]("reg_Name");
      EXPECT_STREQ((*names[k])[id], "reg_Name");
      EXPECT_EQ(kinds[k]("REG_NAME"), id);
      EXPECT_EQ(kinds[k]("reg_other"), id + 1);
      EXPECT_EQ(PG::markerCount + PG::traitCount + PG::affectionCount + PG::covariateCount,
                before + 2);
   }
}

TEST(Registration, RecordsFollowTheirIDsWhereverTheyWereCreated) {
   MarkerInfo* early = PG::GetMarkerInfo(String("idx_early"));  // named by a map before any ID
   EXPECT_EQ(PG::GetMarkerInfo(PG::GetMarkerID("idx_early")), early);
   // Enough new IDs to double the record index at least once.
   for (int i = PG::markerCount + 20; i > 0; i--) {
      int id = PG::GetMarkerID(("idx_" + std::to_string(i)).c_str());
      MarkerInfo* info = PG::GetMarkerInfo(PG::markerNames[id]);
      EXPECT_EQ(PG::markerInfoByInteger[id], info);
      EXPECT_EQ(PG::GetMarkerInfo(id), info);
   }
   std::string outOfBounds = Fatal("Attempted to retrieve MarkerInfo using out-of-bounds index\n");
   EXPECT_FATAL(PG::GetMarkerInfo(PG::markerCount), outOfBounds);
   EXPECT_FATAL(PG::GetMarkerInfo(-1), outOfBounds);
}

TEST(RegistryLifetime, LastDerivedObjectReleasesRecordsAndRegistryStaysUsable) {
   int id = PG::GetMarkerID("life_marker");
   auto* first = new TestPedigree;
   PG::GetMarkerInfo(id)->chromosome = 5;
   { TestPedigree copy(*first); }
   EXPECT_EQ(PG::GetMarkerInfo(String("life_marker"))->chromosome, 5);
   delete first;
   EXPECT_EQ(PG::markerInfo, nullptr);
   EXPECT_EQ(PG::markerInfoCount + PG::markerInfoSize + PG::markerInfoByName.Entries(), 0);
   EXPECT_EQ(PG::markerInfoByInteger[id], nullptr);
   MarkerInfo* fresh = PG::GetMarkerInfo(id);
   EXPECT_EQ(fresh->chromosome, -1);
   EXPECT_EQ(PG::GetMarkerInfo(String("LIFE_MARKER")), fresh);
   EXPECT_EQ(PG::GetMarkerID("life_marker"), id);
}

// Destroyed after the registry's own tables at exit (this file's globals are
// built first): releasing records into destroyed tables used freed memory.
struct LateRelease {
   TestPedigree* pedigree = nullptr;
   ~LateRelease() { delete pedigree; }
} lateRelease;

TEST(RegistryLifetime, ObjectOutlivingTheRegistryAtExitReleasesNothing) {
   EXPECT_EXIT(
       {
          lateRelease.pedigree = new TestPedigree;
          PG::GetMarkerInfo(String("late_marker"));
          exit(0);
       },
       ::testing::ExitedWithCode(0), "");
}

TEST(AlleleTokens, ClassifiedFoldedAndNumberedInOrderMet) {
   int id = PG::GetMarkerID("allele_tokens");
   std::ifstream rows(kData + "pedigree/allele_tokens.tsv", std::ios::binary);
   std::string line, token, allele, rewritten;
   int count = 0;
   Captured([&] {
      while (std::getline(rows, line)) {
         if (line[0] == '#') continue;
         std::istringstream row(line);
         std::getline(std::getline(std::getline(row, token, '\t'), allele, '\t'), rewritten);
         String text(token.c_str());
         EXPECT_EQ(PG::LoadAllele(id, text), std::stoi(allele)) << token;
         EXPECT_STREQ(text, rewritten.c_str());
         count++;
      }
   });
   EXPECT_EQ(count, 27);
   MarkerInfo* info = PG::GetMarkerInfo(id);
   String label("Del");
   EXPECT_EQ(PG::LoadAllele(info, label), 0);
   info->NewAllele("Del");
   EXPECT_EQ(PG::LoadAllele(info, label), 11);
}

TEST(AlleleTokens, NumbersAboveTheLimitPrintOneNoticePerProcess) {
   GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: no notice printed yet
   EXPECT_EXIT(
       {
          String big("1000001");
          String bigger("5000000");
          std::string out = Captured([&] {
             PG::LoadAllele(PG::GetMarkerInfo(String("big_1")), big);
             PG::LoadAllele(PG::GetMarkerInfo(String("big_2")), bigger);
          });
          exit(out == "Some allele numbers for marker big_1 are > 1000000\n"
                      "All allele numbers >1000000 will be treated as missing\n\n"
                   ? 0
                   : 1);
       },
       ::testing::ExitedWithCode(0), "");
}

TEST(AlleleTokens, AtMost254AllelesAndLabelsForNumberedOnes) {
   MarkerInfo* info = PG::GetMarkerInfo(String("limit_254"));
   for (int allele = 1; allele <= 254; allele++) {
      String token(std::to_string(allele).c_str());
      ASSERT_EQ(PG::LoadAllele(info, token), allele);
   }
   String token("255");
   std::string tooMany = Fatal("Marker limit_254 has more than 254 distinct alleles\n");
   EXPECT_FATAL(PG::LoadAllele(info, token), tooMany);
   info->alleleLabels.Add("one too many");
   EXPECT_FATAL(info->IndexAlleles(), tooMany);
   info->alleleLabels.Delete(255);
   info->alleleLabels[3] = "relabelled";
   info->IndexAlleles();
   String relabelled("RELABELLED");
   EXPECT_EQ(PG::LoadAllele(info, relabelled), 3);

   EXPECT_STREQ(PG::GetMarkerInfo(String("unlabelled"))->GetAlleleLabel(3), "3");
   EXPECT_STREQ(info->GetAlleleLabel(0), "0");
   EXPECT_STREQ(info->alleleLabels[0], "0");
   EXPECT_FATAL(info->GetAlleleLabel(-1), Fatal("Marker limit_254 has no allele numbered -1\n"));
   EXPECT_FATAL(info->GetAlleleLabel(255), Fatal("Marker limit_254 has no allele numbered 255\n"));
}

// Each case file in tests/data/pedigree/cases: its first line lists the steps,
// "register:NAME", "map:FILE", "filtered_map:FILE", "basepair:FILE",
// "freq:FILE" (required), "optional_freq:FILE", "write_map:FILE" or
// "write_freq:FILE", with FILE relative to tests/data, or "-" for the lines
// that follow, or "freq_values:NAME:F0,F1,..." (frequencies without labels);
// then "%% written" and what the steps print followed by the map
// and frequency files written back, or "%% fatal" and the fatal error they end
// with.
void RunSteps(const std::string& steps, const std::string& inlineFile) {
   std::istringstream words(steps);
   for (std::string step; words >> step;) {
      std::string kind = step.substr(0, step.find(':')), name = step.substr(kind.size() + 1);
      const char* file = name == "-" ? inlineFile.c_str() : name.c_str();
      if (kind == "register") PG::GetMarkerID(file);
      if (kind == "map" || kind == "filtered_map") PG::LoadMarkerMap(file, kind == "filtered_map");
      if (kind == "basepair") PG::LoadBasepairMap(file);
      if (kind == "freq" || kind == "optional_freq")
         PG::LoadAlleleFrequencies(file, kind == "freq");
      if (kind == "write_map") PG::WriteMapFile(file);
      if (kind == "write_freq") PG::WriteFreqFile(file, false);
      if (kind == "freq_values") {
         std::istringstream values(name.substr(name.find(':') + 1));
         MarkerInfo* info = PG::GetMarkerInfo(String(name.substr(0, name.find(':')).c_str()));
         for (std::string value; std::getline(values, value, ',');)
            info->freq.Push(std::stod(value));
      }
   }
}

TEST_F(Registry, MapAndFrequencyFileCases) {
   Captured([] {  // the once-per-process notice is printed here, not in a case
      String big("1000001");
      PG::LoadAllele(PG::GetMarkerInfo(String("cases_notice")), big);
   });
   std::filesystem::path start = std::filesystem::current_path();
   std::filesystem::current_path(kData);  // messages name files as the case files do
   int count = 0;
   for (const auto& entry : std::filesystem::directory_iterator("pedigree/cases")) {
      SCOPED_TRACE(entry.path().filename());
      std::string text = testsupport::ReadFile(entry.path());
      size_t stepsEnd = text.find('\n'), split = text.find("%% "), kindEnd = text.find('\n', split);
      std::string input = dir.Write("input", text.substr(stepsEnd + 1, split - stepsEnd - 1));
      std::string steps = text.substr(0, stepsEnd), expected = text.substr(kindEnd + 1);
      ReleaseRecords();
      PG::sexSpecificMap = false;
      if (text.compare(split, kindEnd - split, "%% fatal") == 0) {
         EXPECT_FATAL(RunSteps(steps, input), expected);
      } else {
         std::string printed = Captured([&] { RunSteps(steps, input); });
         EXPECT_EQ(printed + Written(), expected);
         EXPECT_TRUE(String::caseSensitive);
      }
      count++;
   }
   std::filesystem::current_path(start);
   EXPECT_EQ(count, 42);
}

TEST_F(Registry, BasepairMapKeepsSexSpecificPositionsAndTheCaseSwitch) {
   PG::GetMarkerInfo(String("io_marker"))->positionMale = 0.25;
   PG::WriteMapFile(dir.File("never.map").c_str());  // nothing placed: no file
   EXPECT_FALSE(std::filesystem::exists(dir.File("never.map")));
   String::caseSensitive = false;
   PG::LoadBasepairMap(dir.Write("bp", "chr marker pos\n1 io_marker 700\n").c_str());
   EXPECT_FALSE(String::caseSensitive);
   String::caseSensitive = true;
   EXPECT_EQ(PG::GetMarkerInfo(String("io_marker"))->positionMale, 0.25);
   PG::WriteMapFile(dir.File("bp.map").c_str());
   EXPECT_EQ(testsupport::ReadFile(dir.File("bp.map")),
             "CHR  MARKER    POS\n  1  io_marker   70000\n");
}

// The numbers stay as a map's names have always read (999 for any name
// starting with X); the name as written tells X from its pseudo-autosomal
// regions, and chrX or 23 from autosomes.
TEST_F(Registry, ChromosomeXByNameWhateverTheNumber) {
   struct Row {
      const char* name;
      int number;
      bool onX;
   } rows[] = {{"X", 999, true},  {"x", 999, true},   {"chrX", 0, true},   {"CHRx", 0, true},
               {"23", 23, true},  {"chr23", 0, true}, {"XY", 999, false},  {"X23", 999, false},
               {"PAR", 0, false}, {"25", 25, false},  {"chrXY", 0, false}, {"chr", 0, false}};
   // Marker names ignore case: numbered, not named after the chromosome.
   std::string map, basepairs;
   for (const Row& row : rows) {
      std::string number = std::to_string(&row - rows);
      map += std::string(row.name) + " nx_" + number + " 1\n";
      basepairs += std::string(row.name) + " nxbp_" + number + " 1\n";
   }
   PG::LoadMarkerMap(dir.Write("names.map", map).c_str(), false);
   PG::LoadBasepairMap(dir.Write("names.bp", basepairs).c_str());
   for (const Row& row : rows) {
      for (std::string prefix : {"nx_", "nxbp_"}) {
         MarkerInfo* info =
             PG::GetMarkerInfo(String((prefix + std::to_string(&row - rows)).c_str()));
         EXPECT_EQ(info->chromosome, row.number) << row.name;
         EXPECT_STREQ(info->chromosomeName, row.name);
         EXPECT_EQ(info->OnChromosomeX(), row.onX) << row.name;
      }
   }
}

// Markers at one position keep the order they were first named in, however
// they are listed.
TEST_F(Registry, MarkersAtOnePositionKeepTheirFirstOrder) {
   PG::LoadMarkerMap(dir.Write("ties",
                               "2 tie_e 7\n2 tie_c 7\n2 tie_a 7\n2 tie_d 7\n2 tie_b 7\n"
                               "2 tie_f 7\n")
                         .c_str(),
                     false);
   IntArray listed = IDs({"tie_a", "tie_b", "tie_c", "tie_d", "tie_e", "tie_f"});
   PG::SortMarkersInMapOrder(listed, -1);
   IntArray expected = IDs({"tie_e", "tie_c", "tie_a", "tie_d", "tie_b", "tie_f"});
   ASSERT_EQ(listed.Length(), expected.Length());
   for (int i = 0; i < expected.Length(); i++) EXPECT_EQ(listed[i], expected[i]) << i;
}

TEST_F(Registry, MarkersOrderedAlongTheMapChromosomeByChromosome) {
   IntArray all;
   PG::LoadMarkerMap(dir.Write("map",
                               "3 ord_c3_b 20\n1 ord_c1_b 50\n1 ord_c1_a 10\nX ord_x 1\n"
                               "3 ord_c3_a 5\n1 ord_tie_2 30\n1 ord_tie_1 30\n")
                         .c_str(),
                     false);
   IntArray listed = IDs({"ord_c3_b", "ord_unplaced", "ord_c1_b", "ord_c3_a"});
   std::string flagged =
       "These markers couldn't be placed and won't be analysed:\n   ord_unplaced \n\n";
   struct Row {
      IntArray list;
      int chromosome;
      IntArray expected;
      int next;
   } rows[] = {
       {all, -1, IDs({"ord_c1_a", "ord_tie_2", "ord_tie_1", "ord_c1_b"}), 3},
       {all, 3, IDs({"ord_c3_a", "ord_c3_b"}), 999},
       {all, 4, IDs({"ord_x"}), 0},
       {all, 1000, IntArray(), 0},
       {listed, -1, IDs({"ord_c1_b"}), 3},
       {listed, 2, IDs({"ord_c3_a", "ord_c3_b"}), 0},
   };
   for (Row& row : rows) {
      int next = 0;
      std::string out =
          Captured([&] { next = PG::SortMarkersInMapOrder(row.list, row.chromosome); });
      EXPECT_EQ(row.list, row.expected) << row.chromosome;
      EXPECT_EQ(next, row.next);
      if (row.chromosome != -1) {
         EXPECT_EQ(out, "");
      }
   }
   EXPECT_EQ(Captured([&] { PG::SortMarkersInMapOrder(listed, -1); }), flagged);
   listed = IDs({"ord_c3_b", "ord_unplaced", "ord_c1_b", "ord_x", "ord_c3_a"});
   EXPECT_EQ(Captured([&] { PG::GetOrderedMarkers(listed); }), flagged);
   EXPECT_EQ(listed, IDs({"ord_c1_b", "ord_c3_a", "ord_c3_b", "ord_x"}));
}

TEST(FlagMissingMarkers, SortedNamesWrappedAndCutAfterFourLines) {
   IntArray many, none, few = IDs({"fm10", "fm2", "fm1"});
   for (int i = 10; i < 70; i++)
      many.Append(PG::GetMarkerID(("flag_marker_with_a_long_name_" + std::to_string(i)).c_str()));
   EXPECT_EQ(Captured([&] { PG::FlagMissingMarkers(none); }), "");
   EXPECT_EQ(Captured([&] { PG::FlagMissingMarkers(few); }),
             "These markers couldn't be placed and won't be analysed:\n   fm1 fm2 fm10 \n\n");
   EXPECT_EQ(Captured([&] { PG::FlagMissingMarkers(many); }),
             testsupport::ReadFile(kData + "expected/flag_missing_markers.txt"));
}

}  // namespace
