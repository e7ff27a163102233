#include "pedigree/Pedigree.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

const std::string kData = std::string(LOCI_SOURCE_DIR) + "/tests/data/";

std::string Fatal(const std::string& message) {
   return "\nFATAL ERROR - \n" + message + "\n\n";
}

// Families, their members in family order with their connected group, and
// the founder count, as the case files expect them.
void PrintStructure(Pedigree& ped) {
   int founders = 0;
   for (int f = 0; f < ped.familyCount; f++) founders += ped.families[f]->founders;
   printf("%%%% %d persons, %d families, %d founders\n", ped.count, ped.familyCount, founders);
   for (int f = 0; f < ped.familyCount; f++) {
      Family& family = *ped.families[f];
      IntArray groups;
      int groupCount = family.ConnectedGroups(&groups);
      printf("family %s: generations %d, MZ twins %d, groups %d:", (const char*)family.famid,
             family.generations, family.mzTwins, groupCount);
      for (int i = 0; i < family.count; i++)
         printf(" %s/%d", (const char*)ped.persons[family.path[i]]->pid, groups[i]);
      printf("\n");
   }
}

// Steps of a case file's first line: "prepare:FILES", "load:FILES" (comma
// lists), "optional:FILE" (a load that may fail to open), "sexcov",
// "missing:TEXT", "memory". FILES name sections of the case or, with "@",
// files under tests/data copied in under their base name. A case that does
// not end fatally prints the data and pedigree files written back and the
// structure.
void RunSteps(const std::string& steps) {
   Pedigree ped;
   std::istringstream words(steps);
   for (std::string step; words >> step;) {
      std::string kind = step.substr(0, step.find(':'));
      std::string arg = step.size() > kind.size() ? step.substr(kind.size() + 1) : "";
      if (kind == "sexcov") Pedigree::sexAsCovariate = true;
      if (kind == "missing") Pedigree::missing = arg.c_str();
      if (kind == "prepare") ped.Prepare(arg.c_str());
      if (kind == "load") ped.Load(arg.c_str());
      if (kind == "optional") ped.Load(arg.c_str(), true);
      if (kind == "memory") ped.ShowMemoryInfo();
   }
   printf("%%%% data\n");
   ped.WriteDataFile(stdout);
   printf("%%%% pedigree\n");
   ped.WritePedigreeFile(stdout);
   PrintStructure(ped);
   fflush(stdout);
   exit(0);
}

// Case files in tests/data/pedigree/loading: the steps line, then sections
// "%% NAME" holding input files, then "%% written" or "%% fatal" and the
// expected output. Each case runs in a fresh process, so the registry holds
// only its own names.
TEST(PedigreeCases, LoadWriteBackAndReject) {
   // "@PATH" in the steps names a file under tests/data, used under its base name.
   auto run = [](std::string steps) {
      for (size_t at = steps.find('@'); at != std::string::npos; at = steps.find('@')) {
         size_t end = steps.find_first_of(", ", at);
         std::string file = steps.substr(at + 1, end == std::string::npos ? end : end - at - 1);
         std::string base = std::filesystem::path(file).filename();
         std::filesystem::copy_file(kData + file, base);
         steps.replace(at, file.size() + 1, base);
      }
      RunSteps(steps);
   };
   EXPECT_GT(testsupport::RunCaseFiles(kData + "pedigree/loading", "written", run), 20);
}

// A chain of 10,000 generations, each child listed before its parents so
// that the family order needs one pass per generation.
TEST(PedigreeStructure, TenThousandGenerationsLoadWithoutRecursion) {
   const int generations = 10000;
   testsupport::TempDir dir;
   std::string data = dir.Write("deep.dat", "T deep_trait\n"), lines;
   for (int g = generations; g >= 1; g--)
      lines += "deep g" + std::to_string(g) + " g" + std::to_string(g + 1) + " s" +
               std::to_string(g + 1) + " 1 x\ndeep s" + std::to_string(g) + " 0 0 2 x\n";
   lines += "deep g" + std::to_string(generations + 1) + " 0 0 1 x\ndeep s" +
            std::to_string(generations + 1) + " 0 0 2 x\n";
   std::string pedFile = dir.Write("deep.ped", lines);
   Pedigree ped;
   ped.Prepare(data.c_str());
   ped.Load(pedFile.c_str());
   Family& family = *ped.families[0];
   EXPECT_EQ(family.founders, generations + 2);  // s1 has no child
   EXPECT_EQ(family.generations, 3);
   EXPECT_EQ(family.ConnectedGroups(), 2);
   Person* top = ped.FindPerson("deep", ("g" + std::to_string(generations + 1)).c_str());
   Person* bottom = ped.FindPerson("deep", "g1");
   EXPECT_EQ(ped.persons[family.path[family.count - 1]], bottom);
   EXPECT_TRUE(top->isAncestor(bottom));
   EXPECT_FALSE(bottom->isAncestor(top));
   EXPECT_FALSE(ped.FindPerson("deep", "s5")->isAncestor(ped.FindPerson("deep", "g5")));
   EXPECT_TRUE(ped.FindPerson("deep", "s5")->isAncestor(ped.FindPerson("deep", "g3")));
}

TEST(PedigreeStructure, CopiesFiltersAndSearches) {
   int aff = Pedigree::GetAffectionID("cp_aff");
   int trait = Pedigree::GetTraitID("cp_trait");
   int covariate = Pedigree::GetCovariateID("cp_covariate");
   Pedigree ped;
   ped.AddPerson("F2", "dad", "0", "0", SEX_MALE, true);
   ped.AddPerson("F2", "mum", "0", "0", SEX_FEMALE, true);
   ped.AddPerson("F2", "kid", "mum", "dad", SEX_FEMALE, true);
   ped.AddPerson("F10", "solo", "0", "0", SEX_UNKNOWN);
   ped.FindPerson("F2", "kid")->affections[aff] = 2;
   ped.FindPerson("F2", "dad")->affections[aff] = 1;
   ped.FindPerson("F2", "dad")->traits[trait] = 1.5;
   ped.FindPerson("F2", "dad")->covariates[covariate] = 7.25;
   ASSERT_NE(ped.FindFamily("f10"), nullptr);
   EXPECT_EQ(ped.FindFamily("F10")->serial, 1);
   EXPECT_EQ(ped.FindFamily("F3"), nullptr);
   EXPECT_STREQ(ped.FindPerson("F2", "kid")->fatid, "dad");  // parents swapped by sex

   Pedigree affected;
   ped.ExtractOnAffection(aff, affected, 2);
   EXPECT_EQ(affected.count, 4);
   EXPECT_EQ(affected.FindPerson("F2", "kid")->affections[aff], 2);
   EXPECT_EQ(affected.FindPerson("F2", "dad")->affections[aff], 0);
   EXPECT_EQ(affected.FindPerson("F2", "dad")->traits[trait], MISSING_VALUE);

   Pedigree one;
   ped.ExtractFamily(0, one);
   EXPECT_EQ(one.count, 3);
   EXPECT_EQ(one.FindPerson("F2", "dad")->traits[trait], 1.5);
   EXPECT_EQ(one.FindPerson("F2", "dad")->covariates[covariate], 7.25);
   EXPECT_TRUE(one.FindPerson("F2", "kid")->hasBothParents);

   IntArray filter;
   filter.Dimension(4);
   filter.Zero();
   filter[ped.FindPerson("F2", "dad")->serial] = 1;
   ped.Filter(filter);
   EXPECT_TRUE(ped.FindPerson("F2", "dad")->filtered);
   EXPECT_EQ(ped.FindPerson("F2", "dad")->traits[trait], MISSING_VALUE);
   EXPECT_EQ(ped.FindPerson("F2", "kid")->affections[aff], 2);
   filter.Dimension(3);
   EXPECT_FATAL(
       ped.Filter(filter),
       Fatal("Pedigree:Size of pedigree filter doesn't match number of persons in pedigree"));
   EXPECT_FATAL(ped.WriteDataFile("/nonexistent/dir/x.dat"),
                Fatal("Couldn't open data file /nonexistent/dir/x.dat"));
   EXPECT_FATAL(ped.WritePedigreeFile("/nonexistent/dir/x.ped"),
                Fatal("Couldn't open pedigree file /nonexistent/dir/x.ped"));
}

// Persons built before a name was registered grow their data instead of
// being read or written past their end.
TEST(PedigreeStructure, PersonsGrowWithTheRegistry) {
   Pedigree ped;
   ped.AddPerson("G", "early", "0", "0", SEX_MALE);
   testsupport::TempDir dir;
   ped.Prepare(dir.Write("late.dat", "M late_marker\nT late_trait\n").c_str());
   ped.Load(dir.Write("late.ped", "G early 0 0 1 3/4 7.5\n").c_str());
   Person& p = *ped.FindPerson("G", "early");
   EXPECT_EQ(p.markers[Pedigree::GetMarkerID("late_marker")].one, 1);
   EXPECT_EQ(p.traits[Pedigree::GetTraitID("late_trait")], 7.5);
}

// A later file of a merge still decides a person's sex and parents; the
// observer is told of each value it replaces, and of nothing else (the same
// parent in another case, the same sex in another code, a new person).
TEST(PedigreeMerge, ObserverToldOfReplacedSexesAndParents) {
   struct Recorder : MergeObserver {
      std::vector<std::string> told;
      void Conflict(const MergeConflict& c) override {
         told.push_back(std::string(c.file) + ": " + c.famid + "/" + c.pid + " " + c.field + " " +
                        c.before + " -> " + c.after);
      }
   } recorder;
   testsupport::TempDir dir;
   std::string data = dir.Write("merge.dat", "T merge_trait\n");
   std::string first = dir.Write("first.ped",
                                 "m dad 0 0 1 1\nm mum 0 0 2 1\nm aunt 0 0 2 1\n"
                                 "m kid dad mum 1 1\nm son dad mum 1 1\nm same dad mum 1 1\n");
   std::string second = dir.Write("second.ped",
                                  "M KID 0 0 2 x\nm son dad aunt 1 x\nm same DAD Mum m x\n"
                                  "m new 0 0 0 x\n");
   Pedigree ped;
   testsupport::StdoutCapture quiet;
   ped.Prepare((data + "," + data).c_str());
   ped.mergeObserver = &recorder;
   ped.Load((first + "," + second).c_str());
   quiet.Finish();
   EXPECT_EQ(recorder.told, (std::vector<std::string>{
                                second + ": m/kid sex male -> female",
                                second + ": m/kid father dad -> 0",
                                second + ": m/kid mother mum -> 0",
                                second + ": m/son mother mum -> aunt",
                            }));
   Person& kid = *ped.FindPerson("m", "kid");
   EXPECT_EQ(kid.sex, SEX_FEMALE);
   EXPECT_FALSE(kid.hasBothParents);
   EXPECT_EQ(ped.FindPerson("m", "son")->mother, ped.FindPerson("m", "aunt"));
   EXPECT_EQ(ped.count, 7);
}

// MENDEL layout: a family header "(I3,A8)" and person records of id, father,
// mother (8 columns each), sex and twin (1 each), a genotype and a phenotype.
class MendelLayout : public ::testing::Test {
protected:
   void SetUp() override {
      marker = Pedigree::GetMarkerID("mdl_marker");
      typeA = Pedigree::GetAffectionID("MDL->A");
      typeB = Pedigree::GetAffectionID("MDL->B");
      for (int kind : {pdMarker, pdAffection, pdAffection, pdEnd}) ped.pd.columns.Append(kind);
      for (int id : {marker, typeA, typeB, 0}) ped.pd.columnHash.Append(id);
      ped.pd.columnCount = 3;
      ped.pd.mendelFormat = 1;
   }
   void Load(const std::string& records) {
      std::string path = dir.Write("mendel.ped", "(I3,A8)\n(3A8,2A1,2A8)\n" + records);
      ped.Load(path.c_str());
   }
   static std::string Person(const char* id, const char* father, const char* mother,
                             const char* sexTwin, const char* genotype, const char* phenotype) {
      char line[64];
      snprintf(line, sizeof line, "%-8s%-8s%-8s%-2s%-8s%s\n", id, father, mother, sexTwin, genotype,
               phenotype);
      return line;
   }
   testsupport::TempDir dir;
   Pedigree ped;
   int marker = 0, typeA = 0, typeB = 0;
};

TEST_F(MendelLayout, ReadsFamiliesGenotypesPhenotypesAndTwins) {
   Load("  3fam1\n" + Person("p1", "", "", "M", " 1/2", "A") +
        Person("p2", "", "", "F", "2/1", "") + Person("k1", "p1", "p2", "1A", "1| 3", "B") +
        "  1fam2\n" + Person("solo", "", "", "?", "", "A"));
   ASSERT_EQ(ped.count, 4);
   ::Person& p1 = *ped.FindPerson("fam1", "p1");
   ::Person& p2 = *ped.FindPerson("fam1", "p2");
   ::Person& k1 = *ped.FindPerson("fam1", "k1");
   MarkerInfo* info = Pedigree::GetMarkerInfo(marker);
   EXPECT_STREQ(info->GetAlleleLabel(k1.markers[marker].two), "3");
   EXPECT_EQ(p1.markers[marker].one, k1.markers[marker].one);
   EXPECT_EQ(p2.markers[marker].one, p1.markers[marker].two);  // written in the order read
   EXPECT_EQ(p2.markers[marker].two, p1.markers[marker].one);
   EXPECT_EQ(k1.father, &p1);
   EXPECT_EQ(k1.zygosity, 65);
   EXPECT_STREQ(p1.fatid, ".");
   EXPECT_EQ(p1.sex * 100 + p2.sex * 10 + k1.sex, 121);
   EXPECT_EQ(p1.affections[typeA] * 10 + p1.affections[typeB], 21);
   EXPECT_EQ(p2.affections[typeA] * 10 + p2.affections[typeB], 0);
   EXPECT_EQ(k1.affections[typeA] * 10 + k1.affections[typeB], 12);
   EXPECT_FALSE(ped.FindPerson("fam2", "solo")->markers[marker].isKnown());
}

TEST_F(MendelLayout, RejectsMalformedRecords) {
   Pedigree::GetMarkerInfo(marker)->NewAllele("1");
   struct Case {
      std::string records, message;
   } cases[] = {
       {"  1\n" + Person("p", "", "", "M", "1/1", ""), "Blank family id encountered\n"},
       {"  2fam\n" + Person("p", "", "", "M", "1/1", ""),
        "No unique identifier for individual #2 in family fam\n"},
       {"  1fam\n" + Person(".", "", "", "M", "1/1", ""),
        "Family fam has an individual named '.', but this code is\n"
        "reserved to indicate missing parents\n"},
       {"  1fam\n" + Person("p", "", "", "Q", "1/1", ""),
        "Can't interpret the sex of individual #1\nFamily: fam  Individual: p  Sex Code: Q"},
       {"  1fam\n" + Person("p", "", "", "M", "12", ""),
        "At marker mdl_marker, person p in family fam has genotype 12.\n"
        "This genotype is not in the 'al1/al2' format.\n"},
   };
   for (const Case& c : cases) EXPECT_FATAL(Load(c.records), Fatal(c.message)) << c.records;
   Pedigree::GetMarkerInfo(marker)->freq.Dimension(2);
   EXPECT_FATAL(Load("  1fam\n" + Person("p", "", "", "M", "1/9", "")),
                Fatal("At marker mdl_marker, person p in family fam has genotype 1/9.\n"
                      "However, '9' is not a valid allele for this marker.\n"));
}

}  // namespace
