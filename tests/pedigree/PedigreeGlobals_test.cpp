#include "pedigree/PedigreeGlobals.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

// The registry is process-wide: every test uses marker names of its own, and
// tests that write maps or frequency files first release all records (the
// names and IDs stay), so that only their own records are written.
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

std::string Written(const std::function<void(FILE*)>& write) {
   char* buffer = nullptr;
   size_t size = 0;
   FILE* f = open_memstream(&buffer, &size);
   write(f);
   fclose(f);
   std::string text(buffer, size);
   free(buffer);
   return text;
}

std::string WrittenMap() {
   return Written([](FILE* f) { PG::WriteMapFile(f); });
}

std::string WrittenFreq(bool numeric) {
   return Written([numeric](FILE* f) { PG::WriteFreqFile(f, numeric); });
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
   std::string File(const std::string& text) { return dir.Write("in" + std::to_string(n++), text); }
   testsupport::TempDir dir;
   int n = 0;
};

TEST(Registration, NamesGetDenseIndependentIDsIgnoringCase) {
   struct Kind {
      int (*get)(const char*);
      StringArray& names;
      int& count;
   } kinds[] = {{PG::GetMarkerID, PG::markerNames, PG::markerCount},
                {PG::GetTraitID, PG::traitNames, PG::traitCount},
                {PG::GetAffectionID, PG::affectionNames, PG::affectionCount},
                {PG::GetCovariateID, PG::covariateNames, PG::covariateCount}};
   for (Kind& kind : kinds) {
      int others = PG::markerCount + PG::traitCount + PG::affectionCount + PG::covariateCount;
      int id = kind.get("reg_Name");
      EXPECT_EQ(id, kind.count - 1);
      EXPECT_STREQ(kind.names[id], "reg_Name");
      EXPECT_EQ(kind.get("REG_NAME"), id);
      EXPECT_EQ(kind.get("reg_other"), id + 1);
      EXPECT_EQ(PG::markerCount + PG::traitCount + PG::affectionCount + PG::covariateCount,
                others + 2);
   }
}

TEST(Registration, RecordsFollowTheirIDsWhereverTheyWereCreated) {
   MarkerInfo* early = PG::GetMarkerInfo(String("idx_early"));  // named by a map before any ID
   int earlyID = PG::GetMarkerID("idx_early");
   EXPECT_EQ(PG::GetMarkerInfo(earlyID), early);
   // Enough new IDs to double the record index at least once.
   std::vector<int> ids;
   for (int i = PG::markerCount + 20; i > 0; i--)
      ids.push_back(PG::GetMarkerID(("idx_" + std::to_string(i)).c_str()));
   for (int id : ids) {
      MarkerInfo* info = PG::GetMarkerInfo(id);
      EXPECT_STREQ(info->name, PG::markerNames[id]);
      EXPECT_EQ(PG::markerInfoByInteger[id], info);
      EXPECT_EQ(PG::GetMarkerInfo(info->name), info);
   }
   EXPECT_FATAL(PG::GetMarkerInfo(PG::markerCount),
                Fatal("Attempted to retrieve MarkerInfo using out-of-bounds index\n"));
   EXPECT_FATAL(PG::GetMarkerInfo(-1),
                Fatal("Attempted to retrieve MarkerInfo using out-of-bounds index\n"));
}

TEST(RegistryLifetime, LastDerivedObjectReleasesRecordsAndRegistryStaysUsable) {
   int id = PG::GetMarkerID("life_marker");
   auto* first = new TestPedigree;
   { TestPedigree copy(*first); }
   PG::GetMarkerInfo(id)->chromosome = 5;
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
// built first): releasing into destroyed tables used freed memory.
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
   struct Row {
      const char* token;
      int allele;
      const char* rewritten;
   } rows[] = {{"0", 0, "0"},
               {"N", 0, "N"},
               {"-", 0, "-"},
               {"", 0, ""},
               {"\xe9", 0, "\xe9"},
               {"x", 0, "x"},
               {"A", 1, "A"},
               {"c", 2, "c"},
               {"G", 3, "G"},
               {"t", 4, "t"},
               {"a", 1, "a"},
               {"AC", 0, "AC"},
               {"1", 5, "1"},
               {"9", 6, "9"},
               {"12", 7, "12"},
               {"012", 7, "12"},
               {"12a", 7, "12"},
               {"007", 8, "7"},
               {"7", 8, "7"},
               {"0.5", 0, "0.5"},
               {"0x1A", 0, "0x1A"},
               {"000", 0, "0"},
               {"1000000", 9, "1000000"},
               {"1000001", 0, "1000001"},
               {"00000000000000000000013", 10, "13"},
               // 2^64 + 12 must not wrap around to allele 12.
               {"18446744073709551628", 0, "18446744073709551628"}};
   int id = PG::GetMarkerID("allele_tokens");
   Captured([&] {
      for (const Row& row : rows) {
         String token(row.token);
         EXPECT_EQ(PG::LoadAllele(id, token), row.allele) << row.token;
         EXPECT_STREQ(token, row.rewritten);
      }
   });
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

TEST(AlleleTokens, AtMost254AllelesPerMarker) {
   MarkerInfo* info = PG::GetMarkerInfo(String("limit_254"));
   for (int allele = 1; allele <= 254; allele++) {
      String token(std::to_string(allele).c_str());
      ASSERT_EQ(PG::LoadAllele(info, token), allele);
   }
   String token("255");
   EXPECT_FATAL(PG::LoadAllele(info, token),
                Fatal("Marker limit_254 has more than 254 distinct alleles\n"));
   info->alleleLabels.Add("one too many");
   EXPECT_FATAL(info->IndexAlleles(),
                Fatal("Marker limit_254 has more than 254 distinct alleles\n"));
   info->alleleLabels.Delete(255);
   info->alleleLabels[3] = "relabelled";
   info->IndexAlleles();
   String relabelled("RELABELLED");
   EXPECT_EQ(PG::LoadAllele(info, relabelled), 3);
}

TEST(AlleleTokens, LabelsOfNumberedAllelesAreTheirNumbers) {
   MarkerInfo* info = PG::GetMarkerInfo(String("labels"));
   EXPECT_STREQ(info->GetAlleleLabel(3), "3");
   EXPECT_EQ(info->alleleLabels.Length(), 4);
   info->alleleLabels[2] = "T";
   EXPECT_STREQ(info->GetAlleleLabel(2), "T");
   EXPECT_STREQ(info->GetAlleleLabel(0), "0");
   EXPECT_STREQ(info->alleleLabels[0], "0");
   EXPECT_FATAL(info->GetAlleleLabel(-1), Fatal("Marker labels has no allele numbered -1\n"));
   EXPECT_FATAL(info->GetAlleleLabel(255), Fatal("Marker labels has no allele numbered 255\n"));
}

TEST(Frequencies, AdjustedToSumToOneWithANoticeBeyondRounding) {
   struct Row {
      std::vector<double> freq;
      double first;  // expected frequency of allele 1; -1: emptied
      const char* notice;
   } rows[] = {{{0, 0.2, 0.3, 0.5}, 0.2, ""},
               {{0, 2, 3, 5}, 0.2, "Locus adjust frequencies sum to 10.000000, adjusted to 1.0\n"},
               {{0, 0.5, 0.50001}, 0.5 / 1.00001, ""},
               {{0, 0.5, 0.50002},
                0.5 / 1.00002,
                "Locus adjust frequencies sum to 1.000020, adjusted to 1.0\n"},
               {{0.7}, -1, ""}};
   MarkerInfo* info = PG::GetMarkerInfo(String("adjust"));
   for (const Row& row : rows) {
      info->freq.Dimension(0);
      for (double f : row.freq) info->freq.Push(f);
      bool noticed = false;
      EXPECT_EQ(Captured([&] { noticed = info->AdjustFrequencies(); }), row.notice);
      EXPECT_EQ(noticed, *row.notice != 0);
      EXPECT_EQ(info->freq.Length(), row.first < 0 ? 0 : static_cast<int>(row.freq.size()));
      if (row.first > 0) {
         EXPECT_NEAR(info->freq[1], row.first, 1e-15);
         EXPECT_NEAR(info->freq.Sum(), 1.0, 1e-15);
      }
   }
   struct Bad {
      std::vector<double> freq;
      const char* message;
   } bad[] = {{{0, -0.1, 1.1}, "Locus adjust has negative allele frequencies\n"},
              {{0, 0, 0}, "Locus adjust frequencies sum to 0.000000, which doesn't make sense\n"},
              {{0, NAN, 1}, "Locus adjust frequencies sum to nan, which doesn't make sense\n"}};
   for (const Bad& b : bad) {
      info->freq.Dimension(0);
      for (double f : b.freq) info->freq.Push(f);
      EXPECT_FATAL(info->AdjustFrequencies(), Fatal(b.message));
   }
}

TEST_F(Registry, MapFilesLoadAndWriteBack) {
   struct Row {
      const char* text;
      const char* written;
   } rows[] = {
       {"cHr\tmArKeR\tkosambi\n2 map_a 12.5\nX map_b 3\r\nx7 map_c 1\n\n10q map_d 0.5\f\n"
        "CHROMOSOME MARKER_NAME CM\nchr mrk HALDANE\nChr Marker pos\n"
        "chromosome marker position\nCHR MARKER SEX_AVERAGED_POS\n3 map_e abc\n",
        "CHR  MARKER    POS\n  2  map_a       12.5\n999  map_b       3\n999  map_c       1\n"
        " 10  map_d       0.5\n  3  map_e       0\n"},
       {"CHR MARKER POS FEMALE MALE\n1 map_s1 10 12 8.5\n1 map_s2 20 22 18\n",
        "CHR  MARKER    POS   POSF   POSM\n  1 map_s1     10  12  8.5\n"
        "  1 map_s2     20  22  18\n"},
   };
   for (const Row& row : rows) {
      ReleaseRecords();
      PG::LoadMarkerMap(File(row.text).c_str(), false);
      EXPECT_EQ(WrittenMap(), row.written);
      EXPECT_TRUE(String::caseSensitive);
   }
   EXPECT_TRUE(PG::sexSpecificMap);

   ReleaseRecords();
   PG::GetMarkerID("map_known");
   PG::LoadMarkerMap(File("1 map_known 1\n1 map_unknown 2\n").c_str(), true);
   EXPECT_EQ(WrittenMap(), "CHR  MARKER    POS\n  1  map_known   1\n");
   EXPECT_FALSE(PG::sexSpecificMap);

   PG::GetMarkerInfo(String("bp_a"))->positionMale = 0.25;
   String::caseSensitive = false;
   PG::LoadBasepairMap(File("chr marker basepair\n7 bp_a 1500000\nCHR MRK POSITION\n").c_str());
   EXPECT_FALSE(String::caseSensitive);
   String::caseSensitive = true;
   MarkerInfo* bp = PG::GetMarkerInfo(String("bp_a"));
   EXPECT_EQ(bp->position, 1500000.0);
   EXPECT_EQ(bp->positionMale, 0.25);
   EXPECT_EQ(bp->chromosome, 7);
   EXPECT_EQ(PG::markerInfoByName.Find("MRK"), -1);

   ReleaseRecords();
   PG::LoadMarkerMap("no/such/map", false);  // silently nothing
   PG::WriteMapFile(dir.File("never.map").c_str());
   EXPECT_FALSE(PG::MarkerPositionsAvailable() || PG::AlleleFrequenciesAvailable());
   EXPECT_EQ(testsupport::ReadFile(dir.File("never.map")), "");
}

TEST_F(Registry, MalformedMapFilesAreFatal) {
   std::string three =
       "Error reading map file\nEach line in this file should include 3 fields:\n"
       "CHROMOSOME, MARKER_NAME, and POSITION\nHowever the following line has ";
   std::string five =
       "Error reading map file\nEach line in this file should include 5 fields:\n\n"
       "CHROMOSOME, MARKER_NAME, SEX_AVERAGED_POS, FEMALE_POS AND MALE_POS\n\n"
       "However the following line has ";
   std::string order =
       "Sex-specific and sex-averaged maps are inconsistent.\n\nIn the sex-averaged map, marker "
       "bad_o2 (20.00 cM) follows marker bad_o1 (10.00 cM).\n";
   IDs({"bad_o1", "bad_o2"});
   struct Row {
      const char* text;
      std::string message;
   } rows[] = {
       {"1 bad_a 1\n1 bad_b 1 2 3\n", three + "5 fields\n1 bad_b 1 2 3\n"},
       {"1 bad_a 1\t\t1\n", three + "4 fields\n1 bad_a 1\t\t1\n"},
       {"1 bad_a 1 1 1\n1 bad_b 2\n", five + "3 fields\n1 bad_b 2\n"},
       {"1 bad_a 1 abc 1\n",
        "In the map file, the female cM position for marker\nbad_a is abc. "
        "This is not a valid number."},
       {"1 bad_a 1 1 1.5x\n",
        "In the map file, the male cM position for marker\nbad_a is 1.5x. "
        "This is not a valid number."},
       {"1 bad_o1 10 20 10\n1 bad_o2 20 15 25\n",
        order + "In the female map, marker bad_o2 (15.00 cM) PRECEDES marker bad_o1 (20.00 cM).\n"},
       {"1 bad_o2 20 20 5\n1 bad_o1 10 10 10\n",
        order + "In the male map, marker bad_o2 (5.00 cM) PRECEDES marker bad_o1 (10.00 cM).\n"},
   };
   for (const Row& row : rows) {
      std::string path = File(row.text);
      EXPECT_FATAL(PG::LoadMarkerMap(path.c_str(), false), Fatal(row.message));
   }
   std::string fiveFields = File("1 bad_a 1 1 1\n");
   EXPECT_FATAL(PG::LoadBasepairMap(fiveFields.c_str()),
                Fatal(three + "5 fields\n1 bad_a 1 1 1\n"));
   EXPECT_FATAL(
       PG::LoadBasepairMap("no/such/map"),
       Fatal("The map file [no/such/map] could not be opened\n\nPlease check that the "
             "filename is correct and that the file is\nnot being used by another program"));
   EXPECT_FATAL(
       PG::LoadMarkerMap(dir.Path().c_str(), false),
       Fatal("Map file [" + dir.Path() + "] could not be read to its end: Is a directory\n"));
}

TEST_F(Registry, MarkersOrderedAlongTheMapChromosomeByChromosome) {
   IntArray all;
   PG::LoadMarkerMap(File("3 ord_c3_b 20\n1 ord_c1_b 50\n1 ord_c1_a 10\nX ord_x 1\n"
                          "3 ord_c3_a 5\n1 ord_tie_2 30\n1 ord_tie_1 30\n")
                         .c_str(),
                     false);
   IntArray listed = IDs({"ord_c3_b", "ord_unplaced", "ord_c1_b", "ord_c3_a"});
   struct Row {
      IntArray list;
      int chromosome;
      IntArray expected;
      int next;
      const char* flagged;  // null: not checked
   } rows[] = {
       {all, -1, IDs({"ord_c1_a", "ord_tie_2", "ord_tie_1", "ord_c1_b"}), 3, nullptr},
       {all, 3, IDs({"ord_c3_a", "ord_c3_b"}), 999, ""},
       {all, 4, IDs({"ord_x"}), 0, ""},
       {all, 1000, IntArray(), 0, ""},
       {listed, -1, IDs({"ord_c1_b"}), 3,
        "These markers couldn't be placed and won't be analysed:\n   ord_unplaced \n\n"},
       {listed, 2, IDs({"ord_c3_a", "ord_c3_b"}), 0, ""},
   };
   for (Row& row : rows) {
      int next = 0;
      std::string out =
          Captured([&] { next = PG::SortMarkersInMapOrder(row.list, row.chromosome); });
      EXPECT_EQ(row.list, row.expected) << row.chromosome;
      EXPECT_EQ(next, row.next);
      if (row.flagged != nullptr) {
         EXPECT_EQ(out, row.flagged);
      }
   }
   EXPECT_EQ(Captured([&] { PG::GetOrderedMarkers(listed); }),
             "These markers couldn't be placed and won't be analysed:\n   ord_unplaced \n\n");
   EXPECT_EQ(listed, IDs({"ord_c1_b", "ord_c3_a", "ord_c3_b"}));
}

TEST(FlagMissingMarkers, SortedNamesWrappedAndCutAfterFourLines) {
   IntArray many;
   for (int i = 10; i < 70; i++)
      many.Append(PG::GetMarkerID(("flag_marker_with_a_long_name_" + std::to_string(i)).c_str()));
   IntArray few = IDs({"fm10", "fm2", "fm1"}), none;
   EXPECT_EQ(Captured([&] { PG::FlagMissingMarkers(none); }), "");
   EXPECT_EQ(Captured([&] { PG::FlagMissingMarkers(few); }),
             "These markers couldn't be placed and won't be analysed:\n   fm1 fm2 fm10 \n\n");
   EXPECT_EQ(Captured([&] { PG::FlagMissingMarkers(many); }),
             testsupport::ReadFile(kData + "expected/flag_missing_markers.txt"));
}

TEST_F(Registry, FrequencyFilesLoadAndWriteBack) {
   std::string path = File(
       "F 0.5 0.5\nA x\nM frq_a\nF 0.2 0.3\nA 3 0.4\nf 0.1\nF\nm frq_b\na T 0.7\nA c 0.3\n"
       "Marker frq_c\nF 2 3 5\nM frq_d\nE\nthis line is never read\n");
   EXPECT_EQ(Captured([&] { PG::LoadAlleleFrequencies(path.c_str(), true); }),
             "Locus frq_c frequencies sum to 10.000000, adjusted to 1.0\n\n");
   EXPECT_EQ(WrittenFreq(true), testsupport::ReadFile(kData + "expected/frequency_lines.freq"));
   EXPECT_STREQ(PG::GetMarkerInfo(String("frq_a"))->GetAlleleLabel(4), "4");
   EXPECT_TRUE(PG::AlleleFrequenciesAvailable());

   ReleaseRecords();
   MarkerInfo* numeric = PG::GetMarkerInfo(String("frq_numeric"));
   MarkerInfo* seven = PG::GetMarkerInfo(String("frq_seven"));
   MarkerInfo* labelled = PG::GetMarkerInfo(String("frq_labelled"));
   for (double f : {0.0, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.2, 0.1}) numeric->freq.Push(f);
   for (int allele = 0; allele < 8; allele++) seven->freq.Push(allele == 0 ? 0 : 1.0 / 7);
   for (double f : {0.0, 0.6, 0.00000009, 0.4}) labelled->freq.Push(f);
   labelled->alleleLabels.Dimension(2);
   labelled->alleleLabels[1] = "long_label";
   PG::WriteFreqFile(dir.File("out.freq").c_str(), true);
   EXPECT_EQ(testsupport::ReadFile(dir.File("out.freq")),
             testsupport::ReadFile(kData + "expected/numeric_layout.freq"));

   PG::LoadAlleleFrequencies("", false);
   PG::LoadAlleleFrequencies("no/such/freq", false);
}

TEST_F(Registry, MalformedFrequencyFilesAreFatal) {
   Captured([] {  // the once-per-process notice is printed here, not below
      String big("1000001");
      PG::LoadAllele(PG::GetMarkerInfo(String("frq_bad_notice")), big);
   });
   std::string named = "Error reading named allele frequencies for locus frq_bad\n";
   struct Row {
      const char* text;
      std::string message;
   } rows[] = {
       {"M\n", "Unnamed marker in allele frequency file"},
       {"M frq_bad\nA 1\n", named + "Lines with named alleles should have the format\n"
                                    "   A allele_label allele_frequency\n\n"
                                    "But the following line was read:\nA 1\n"},
       {"M frq_bad\nA 0 1\n", named + "An invalid allele label was encountered\n"},
       {"M frq_bad\nF 0.5\nQ 1\n",
        "Problem in allele frequency file.\nLines in this file should be of two types:\n"
        "  -- Marker name lines begin with an M\n  -- Frequency lines begin with an F\n\n"
        "However the following line is different:\nQ 1\n"},
       {"M frq_bad\nF 0.5 -0.5\n", "Locus frq_bad has negative allele frequencies\n"},
       {"M frq_bad\nA 1000000 0.5\nF 0.5\n",
        "Error reading allele frequencies for locus frq_bad\nFrequency lines reach allele "
        "1000001, but allele numbers above 1000000 are treated as missing\n"},
   };
   for (const Row& row : rows) {
      std::string path = File(row.text);
      EXPECT_FATAL(PG::LoadAlleleFrequencies(path.c_str(), false), Fatal(row.message));
   }
   EXPECT_FATAL(PG::LoadAlleleFrequencies("", true),
                Fatal("No name provided for required allele freuquency file\n"));
   EXPECT_FATAL(PG::LoadAlleleFrequencies("no/such/freq", true),
                Fatal("Failed to open required alallele frequency file 'no/such/freq'"));
   PG::GetMarkerInfo(String("frq_bad"))->chromosome = 1;
   EXPECT_FATAL(PG::WriteMapFile("no/such/dir/out.map"),
                Fatal("Creating map file \"no/such/dir/out.map\""));
   EXPECT_FATAL(PG::WriteFreqFile("no/such/dir/out.freq", false),
                Fatal("Creating allele frequency file \"no/such/dir/out.freq\""));
   EXPECT_FATAL(PG::WriteMapFile("/dev/full"),
                Fatal("Writing map file \"/dev/full\" failed: No space left on device\n"));
}

TEST_F(Registry, RealMapAndFrequencyFilesMatchGoldenFiles) {
   const char* cases[] = {"case_1",          "consanguinity_loop", "2pt_mp_merge",
                          "labeled_alleles", "liabilityclass",     "exercise_6"};
   for (const char* name : cases) {
      SCOPED_TRACE(name);
      ReleaseRecords();
      std::string map = kData + "kelvin/" + name + ".map";
      std::string expected = kData + "expected/kelvin_" + name + ".out";
      if (std::string(name) == "labeled_alleles")
         EXPECT_FATAL(PG::LoadMarkerMap(map.c_str(), false),
                      Fatal("Error reading map file\nEach line in this file should include 3 "
                            "fields:\nCHROMOSOME, MARKER_NAME, and POSITION\nHowever the "
                            "following line has 4 fields\nChr\tMarker\tPosition\tBasepair\n"));
      else
         PG::LoadMarkerMap(map.c_str(), false);
      PG::LoadAlleleFrequencies((kData + "kelvin/" + name + ".freq").c_str(), false);
      EXPECT_EQ(WrittenMap() + WrittenFreq(false), testsupport::ReadFile(expected));
   }
}

}  // namespace
