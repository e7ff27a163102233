#include "pedigree/BiallelicCheck.h"

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pedigree/GenotypeLists.h"
#include "pedigree/Pedigree.h"
#include "tests/support/TestSupport.h"

namespace {

struct Reported : CheckObserver {
   std::set<std::pair<int, int>> pairs;  // marker, family
   void Report(const CheckReport& report) override { pairs.insert({report.marker, report.family}); }
};

// Random families, each member a founder or a child of earlier members (so
// nuclear families, several generations, half-siblings and loops), a tenth of
// the children of unknown sex, some founders without a column in the codes
// (as the parents a fileset lacks).
struct Families {
   std::vector<int> father, mother, sex, column;  // by order of creation
   Pedigree ped;

   explicit Families(std::mt19937& rng, int count) {
      auto pick = [&](int k) { return static_cast<int>(rng() % k); };
      auto id = [](int i) { return "p" + std::to_string(i); };
      for (int f = 0; f < count; f++) {
         std::vector<int> males, females;
         for (int k = 0, size = 2 + pick(8); k < size; k++) {
            int i = static_cast<int>(sex.size());
            bool founder = males.empty() || females.empty() || pick(3) == 0;
            father.push_back(founder ? -1 : males[pick(males.size())]);
            mother.push_back(founder ? -1 : females[pick(females.size())]);
            sex.push_back(1 + pick(2));
            (sex[i] == SEX_MALE ? males : females).push_back(i);
            if (!founder && pick(10) == 0) sex[i] = SEX_UNKNOWN;
            column.push_back(founder && pick(8) == 0 ? -1 : i);
            ped.AddPerson(("F" + std::to_string(f)).c_str(), id(i).c_str(),
                          founder ? "0" : id(father[i]).c_str(),
                          founder ? "0" : id(mother[i]).c_str(), sex[i], true);
         }
      }
      ped.Sort();
   }
};

}  // namespace

// The families the biallelic check calls consistent must be families the
// library's check reports nothing for, at every marker: random two-allele
// genotypes inherited or not, untyped members, unknown alleles. Where it
// models a family it is exact, and names the culprits the library would.
TEST(BiallelicCheck, AgreesWithTheLibrarysCheckAndCulprits) {
   std::mt19937 rng(28);
   const int markers = 150;
   for (bool xLinked : {false, true}) {
      PedigreeGlobals::chromosomeX = xLinked;
      int first = PedigreeGlobals::markerCount;
      for (int m = 0; m < markers; m++) {
         int id = PedigreeGlobals::GetMarkerID(((xLinked ? "x" : "a") + std::to_string(m)).c_str());
         PedigreeGlobals::GetMarkerInfo(id)->NewAllele("1");
         PedigreeGlobals::GetMarkerInfo(id)->NewAllele("2");
      }
      Families families(rng, 300);
      Pedigree& ped = families.ped;
      int n = static_cast<int>(families.sex.size());
      std::vector<int> columnOf(ped.count, -1);
      std::vector<Person*> person(n);
      for (int s = 0; s < ped.count; s++) {
         int i = atoi(static_cast<const char*>(ped.persons[s]->pid) + 1);
         person[i] = ped.persons[s];
         columnOf[s] = families.column[i] < 0 ? -1 : s;
      }
      size_t bytesPerMarker = (ped.count + 3) / 4;
      std::vector<unsigned char> codes(markers * bytesPerMarker, 0x55);  // all missing
      std::vector<unsigned char> unknown(markers, 0);
      const Alleles kGenotype[4] = {{1, 1}, {0, 0}, {1, 2}, {2, 2}};
      std::vector<Alleles> stored(static_cast<size_t>(markers) * n);
      const int kTyped[3] = {0, 2, 3};
      for (int m = 0; m < markers; m++) {
         double q = std::uniform_real_distribution<double>(0, 1)(rng);
         double errors = std::vector<double>{0, 0, 0.03, 0.3, 1}[rng() % 5];
         if (rng() % 20 == 0) unknown[m] = BiallelicCheck::UNKNOWN_ALLELE_2;
         std::vector<int> a(n), b(n);  // b from the father
         auto draw = [&] { return std::uniform_real_distribution<double>(0, 1)(rng) < q ? 1 : 0; };
         for (int i = 0; i < n; i++) {
            int fa = families.father[i], mo = families.mother[i];
            a[i] = mo < 0 ? draw() : rng() % 2 ? a[mo] : b[mo];
            b[i] = fa < 0 ? draw() : xLinked || rng() % 2 ? b[fa] : a[fa];
            if (xLinked && families.sex[i] == SEX_MALE) b[i] = a[i];
         }
         for (int i = 0; i < n; i++) {
            int code = (a[i] + b[i] == 0) ? 0 : a[i] + b[i] == 1 ? 2 : 3;
            if (std::uniform_real_distribution<double>(0, 1)(rng) < errors)
               code = kTyped[rng() % 3];
            if (rng() % 8 == 0 || families.column[i] < 0) code = 1;
            int s = person[i]->serial;
            // Codes that name an unknown allele read as missing.
            int read = unknown[m] && code >= 2 ? 1 : code;
            person[i]->markers[first + m] = stored[m * n + i] = kGenotype[read];
            unsigned char& byte = codes[m * bytesPerMarker + s / 4];
            byte = static_cast<unsigned char>((byte & ~(3 << (s % 4 * 2))) | code << (s % 4 * 2));
         }
      }
      BiallelicCheck fast(ped, columnOf);
      fast.Check(codes.data(), bytesPerMarker, markers, xLinked, unknown.data());
      Reported reported;
      ped.observer = &reported;
      testsupport::StdoutCapture quiet;
      ped.CheckMarkers(first, first + markers);
      quiet.Finish();
      ped.observer = nullptr;
      // Where it models the family (no loop; on X, every sex known) it is
      // exact: unsure just where the library reports.
      std::vector<bool> modeled(ped.familyCount, true);
      for (int f = 0; f < ped.familyCount; f++) {
         Family& family = *ped.families[f];
         modeled[f] = !GenotypeList::HasLoop(ped, &family);
         for (int i = family.first; i <= family.last && xLinked; i++)
            if (ped.persons[i]->sex == SEX_UNKNOWN) modeled[f] = false;
      }
      long long silent = 0, passed = 0;
      for (int m = 0; m < markers; m++) {
         std::set<int> left(fast.Unsure(m).begin(), fast.Unsure(m).end());
         for (int f = 0; f < ped.familyCount; f++) {
            bool reportedHere = reported.pairs.count({first + m, f}) > 0;
            bool sure = left.count(f) == 0;
            if (reportedHere || modeled[f]) {
               EXPECT_EQ(sure, !reportedHere) << (xLinked ? "X " : "") << "marker " << m
                                              << " family " << (const char*)ped.families[f]->famid;
            }
            silent += !reportedHere;
            passed += sure;
         }
      }
      // Its culprits are the library's search's, on the genotypes as read
      // (the X-linked check untypes males typed with two alleles).
      for (int m = 0; m < markers; m++)
         for (int i = 0; i < n; i++) person[i]->markers[first + m] = stored[m * n + i];
      int searched = 0;
      for (const auto& [marker, f] : reported.pairs) {
         std::vector<int> culprits, expected;
         if (!fast.Culprits(f, marker - first, culprits)) continue;
         searched++;
         Family& family = *ped.families[f];
         for (int i = family.first; i <= family.last; i++) {
            Alleles& g = ped.persons[i]->markers[marker];
            Alleles kept = g;
            if (!kept.isKnown()) continue;
            g = Alleles();
            if (ped.CheckFamilyMarker(f, marker)) expected.push_back(i);
            g = kept;
         }
         EXPECT_EQ(culprits, expected)
             << "marker " << marker - first << " family " << (const char*)family.famid;
      }
      EXPECT_GT(searched, 1000);
      EXPECT_GT(reported.pairs.size(), 1000u);
      EXPECT_GT(passed, silent / 2);
      EXPECT_EQ(fast.UnsureCount(), ped.familyCount * static_cast<long long>(markers) - passed);
   }
   PedigreeGlobals::chromosomeX = false;
}
