#include "pedigree/PlinkFileset.h"

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

// Five persons: two bytes per marker, the second with three padding pairs.
const char* kFam = "f a 0 0 1 -9\nf b 0 0 2 -9\nf c a b 2 1\nf d a b 1 2\nf e a b 0 -9\n";

std::string Fatal(const std::string& message) {
   return "\nFATAL ERROR - \n" + message + "\n\n\n";
}

class Fileset : public ::testing::Test {
protected:
   // The fileset `name` of kFam, the .bim lines and the .bed bytes given.
   std::string Write(const std::string& bim, const std::string& bed, const char* fam = kFam,
                     const std::string& name = "set") {
      dir.Write(name + ".fam", fam);
      dir.Write(name + ".bim", bim);
      dir.Write(name + ".bed", bed);
      return dir.File(name);
   }
   testsupport::TempDir dir;
};

const std::string kTwoMarkers = "1 rs1 0 10 A C\nchrX rs2 0.5 20 G T\n";
// rs1: codes 0 1 2 3 0 (padding 0); rs2: 3 2 1 0 3 with padding bits set.
const std::string kTwoMarkersBed("\x6c\x1b\x01\xe4\x00\x1b\xff", 7);

TEST_F(Fileset, CodesReadInBlocksAndLoadedAsGenotypesWithTheirLabels) {
   PlinkFileset fileset;
   fileset.Open(Write(kTwoMarkers, kTwoMarkersBed), 1);
   EXPECT_EQ(fileset.MarkerCount(), 2);
   EXPECT_EQ(fileset.MarkersOn(PlinkChromosome::X), 1);
   EXPECT_EQ(fileset.Persons()[4].sex, SEX_UNKNOWN);
   Pedigree ped;
   std::vector<Person*> personOf;
   EXPECT_TRUE(fileset.BuildPedigree(ped, personOf).empty());
   int slot = fileset.FirstSlot();
   const int codes[2][5] = {{0, 1, 2, 3, 0}, {3, 2, 1, 0, 3}};
   // Allele numbers of each code: homozygous 1, missing, heterozygous, homozygous 2.
   const int alleles[4][2] = {{1, 1}, {0, 0}, {1, 2}, {2, 2}};
   const char* labels[2][2] = {{"A", "C"}, {"G", "T"}};
   for (int m = 0; m < 2; m++) {
      ASSERT_TRUE(fileset.ReadBlock());
      ASSERT_EQ(fileset.BlockSize(), 1);
      EXPECT_EQ(fileset.BlockStart(), m);
      fileset.LoadBlock(personOf);
      MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(slot);
      EXPECT_STREQ(PedigreeGlobals::markerNames[slot], m ? "rs2" : "rs1");
      EXPECT_EQ(PedigreeGlobals::GetMarkerID(m ? "rs2" : "rs1"), slot);
      EXPECT_EQ(info->alleleLabels.Length(), 3);  // the slot's labels start afresh
      for (int a = 1; a <= 2; a++) EXPECT_STREQ(info->GetAlleleLabel(a), labels[m][a - 1]);
      for (int i = 0; i < 5; i++) {
         ASSERT_EQ(fileset.Code(0, i), codes[m][i]) << m << " " << i;
         EXPECT_EQ(personOf[i]->markers[slot].one, alleles[codes[m][i]][0]);
         EXPECT_EQ(personOf[i]->markers[slot].two, alleles[codes[m][i]][1]);
      }
   }
   // Setting one code leaves its neighbours and the padding as they were.
   fileset.SetCode(0, 2, PlinkFileset::HOMOZYGOUS_2);
   EXPECT_EQ(std::string(reinterpret_cast<const char*>(fileset.BlockBytes()), 2), "\x3b\xff");
   fileset.SetCode(0, 4, PlinkFileset::HETEROZYGOUS);
   EXPECT_EQ(std::string(reinterpret_cast<const char*>(fileset.BlockBytes()), 2), "\x3b\xfe");
   EXPECT_FALSE(fileset.ReadBlock());
}

TEST_F(Fileset, ParentsLackingAreAddedUntyped) {
   const char* fam = "f a 0 0 1 -9\nf b 0 0 2 -9\nf c 0 b 2 -9\nf d x b 1 -9\nf e x 0 1 -9\n";
   PlinkFileset fileset;
   fileset.Open(Write("1 rs1 0 10 A C\n", std::string("\x6c\x1b\x01\0\0", 5), fam));
   Pedigree ped;
   std::vector<Person*> personOf;
   std::vector<PlinkFileset::AddedParent> added = fileset.BuildPedigree(ped, personOf);
   ASSERT_EQ(added.size(), 3u);
   EXPECT_STREQ(added[0].pid, "father_of_c");
   EXPECT_TRUE(added[1].absent && added[1].father);
   EXPECT_STREQ(added[1].pid, "x");
   EXPECT_STREQ(added[2].pid, "mother_of_e");
   EXPECT_EQ(ped.count, 8);
   EXPECT_STREQ(personOf[3]->father->pid, "x");
   EXPECT_EQ(personOf[4]->father, personOf[3]->father);
}

TEST(PlinkChromosomeCodes, EveryCodeAndItsChrForm) {
   struct Case {
      const char* code;
      bool known;
      PlinkChromosome chromosome;
   } cases[] = {
       {"1", true, PlinkChromosome::AUTOSOME},   {"chr22", true, PlinkChromosome::AUTOSOME},
       {"0", true, PlinkChromosome::AUTOSOME},   {"X", true, PlinkChromosome::X},
       {"chrx", true, PlinkChromosome::X},       {"23", true, PlinkChromosome::X},
       {"Y", true, PlinkChromosome::Y},          {"CHR24", true, PlinkChromosome::Y},
       {"xy", true, PlinkChromosome::XY},        {"25", true, PlinkChromosome::XY},
       {"chrMT", true, PlinkChromosome::MT},     {"26", true, PlinkChromosome::MT},
       {"27", false, PlinkChromosome::X},        {"01", false, PlinkChromosome::X},
       {"chr", false, PlinkChromosome::X},       {"X1", false, PlinkChromosome::X},
       {"scaffold_9", false, PlinkChromosome::X}};
   for (const Case& c : cases) {
      PlinkChromosome chromosome = PlinkChromosome::X;
      EXPECT_EQ(ReadPlinkChromosome(c.code, chromosome), c.known) << c.code;
      if (c.known) {
         EXPECT_EQ(chromosome, c.chromosome) << c.code;
      }
   }
}

TEST_F(Fileset, FaultsNameTheFileAndLine) {
   std::string header("\x6c\x1b\x01", 3);
   auto open = [](const std::string& prefix) {
      PlinkFileset fileset;
      fileset.Open(prefix);
   };
   std::string set = dir.File("set");
   EXPECT_FATAL(open(Write(kTwoMarkers, "\x6c\x1c\x01" + std::string(4, '\0'))),
                Fatal("The file [" + set +
                      ".bed] is not a PLINK 1 .bed file: it does not begin with the bytes 0x6c "
                      "0x1b"));
   EXPECT_FATAL(open(Write(kTwoMarkers, std::string("\x6c\x1b\x00", 3) + std::string(4, '\0'))),
                Fatal("The file [" + set +
                      ".bed] is in the old sample-major layout (mode byte 0x00), which is not "
                      "read\nConvert it to the marker-major layout first, e.g. with\n   plink "
                      "--bfile PREFIX --make-bed --out NEWPREFIX"));
   EXPECT_FATAL(
       open(Write(kTwoMarkers, header + std::string(5, '\0'))),
       Fatal("The file [" + set + ".bed] holds 8 bytes, but 5 persons in [" + set +
             ".fam] and 2 markers in [" + set + ".bim] need exactly 7 (3 + 2 markers x 2 bytes)"));
   EXPECT_FATAL(open(Write("1 rs1 0 10 A C\n1 rs2 0 20 A\n", kTwoMarkersBed)),
                Fatal("Line 2 of [" + set +
                      ".bim] has 5 fields; a .bim line has 6: chromosome, marker, centimorgans, "
                      "base pairs, allele 1, allele 2"));
   EXPECT_FATAL(open(Write("1 rs1 0 10 A C\n\n1 rs2 0 20 T T\n", kTwoMarkersBed)),
                Fatal("Line 3 of [" + set + ".bim] gives marker rs2 the same allele twice: T"));
   EXPECT_FATAL(open(Write("1 rs1 0 10 A C\nchrUn rs2 0 20 A C\n", kTwoMarkersBed)),
                Fatal("Line 2 of [" + set +
                      ".bim] gives the chromosome code chrUn; the codes are 1-22, X (23), Y "
                      "(24), XY (25), MT (26) and 0, also after chr"));
   EXPECT_FATAL(open(Write("1 rs1 0 ten A C\n", header + std::string(2, '\0'))),
                Fatal("Line 1 of [" + set +
                      ".bim] gives marker rs1 the base-pair position ten, which is not a number"));
   EXPECT_FATAL(open(Write(kTwoMarkers, kTwoMarkersBed, "f a 0 0 1 -9\nf b 0 0 F -9\n")),
                Fatal("Line 2 of [" + set +
                      ".fam] gives person b the sex code F; the codes are 1 (male), 2 (female) "
                      "and 0 (unknown)"));
   EXPECT_FATAL(open(Write(kTwoMarkers, kTwoMarkersBed, "f a 0 0 1 -9\nf b 0 0 2\n")),
                Fatal("Line 2 of [" + set +
                      ".fam] has 5 fields; a .fam line has 6: family, person, father, mother, "
                      "sex, phenotype"));
}

}  // namespace
