#include "pedigree/GenotypeLists.h"

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pedigree/Pedigree.h"
#include "tests/support/TestSupport.h"

namespace {

// A random family: who are the parents, who is male, what is typed.
struct Sketch {
   std::vector<int> father, mother;  // -1 for a founder; parents come earlier
   std::vector<int> sex;
   std::vector<int> one, two;  // 0 untyped
};

// Whether some assignment of genotypes to the untyped members obeys Mendel.
// Alleles absent from the family are interchangeable, so one extra allele
// stands for all of them.
bool ExhaustivelyConsistent(const Sketch& s, int alleles, bool xLinked) {
   int n = static_cast<int>(s.sex.size());
   for (int i = 0; i < n; i++)
      if (xLinked && s.sex[i] == SEX_MALE && s.one[i] && s.one[i] != s.two[i]) return false;
   std::vector<int> a(n), b(n);
   int pool = alleles + 1;
   std::function<bool(int)> assign = [&](int i) {
      if (i == n) return true;
      // A child of unknown sex may be either.
      for (int sex : {SEX_MALE, SEX_FEMALE}) {
         if (s.sex[i] != SEX_UNKNOWN && s.sex[i] != sex) continue;
         bool hemizygous = xLinked && sex == SEX_MALE;
         for (int x = 1; x <= pool; x++)
            for (int y = hemizygous ? x : 1; y <= (hemizygous ? x : pool); y++) {
               if (s.one[i] &&
                   !((x == s.one[i] && y == s.two[i]) || (x == s.two[i] && y == s.one[i])))
                  continue;
               if (s.father[i] >= 0) {
                  int f = s.father[i], m = s.mother[i];
                  auto fromMother = [&](int z) { return z == a[m] || z == b[m]; };
                  auto fromFather = [&](int z) { return z == a[f] || (!(xLinked) && z == b[f]); };
                  bool fits = hemizygous ? fromMother(x)
                                         : (fromFather(x) && fromMother(y)) ||
                                               (fromFather(y) && fromMother(x));
                  if (!fits) continue;
               }
               a[i] = x;
               b[i] = y;
               if (assign(i + 1)) return true;
            }
      }
      return false;
   };
   return assign(0);
}

// Founders draw random genotypes and children inherit; then some members are
// untyped and one typed allele may be changed.
// A third are one couple with their children.
Sketch RandomFamily(std::mt19937& rng, int alleles, bool xLinked) {
   auto pick = [&](int k) { return static_cast<int>(rng() % k); };
   Sketch s;
   int size = 3 + pick(5);
   bool nuclear = pick(3) == 0;
   std::vector<int> a, b;
   for (int i = 0; i < size; i++) {
      std::vector<int> males, females;
      for (int j = 0; j < i; j++) (s.sex[j] == SEX_MALE ? males : females).push_back(j);
      bool founder = i < 2 || (!nuclear && (males.empty() || females.empty() || pick(4) == 0));
      int sex = i < 2 ? 1 + i : 1 + pick(2);
      int f = founder ? -1 : nuclear ? 0 : males[pick(males.size())];
      int m = founder ? -1 : nuclear ? 1 : females[pick(females.size())];
      int x = 1 + pick(alleles), y = 1 + pick(alleles);
      if (!founder) {
         x = pick(2) ? a[m] : b[m];
         y = xLinked ? a[f] : pick(2) ? a[f] : b[f];
      }
      if (xLinked && sex == SEX_MALE) y = x;
      s.father.push_back(f);
      s.mother.push_back(m);
      s.sex.push_back(sex);
      a.push_back(x);
      b.push_back(y);
   }
   for (int i = 0; i < size; i++) {
      bool typed = pick(3) != 0;
      s.one.push_back(typed ? a[i] : 0);
      s.two.push_back(typed ? b[i] : 0);
   }
   for (int i = 2; i < size; i++)
      if (std::find(s.father.begin(), s.father.end(), i) == s.father.end() &&
          std::find(s.mother.begin(), s.mother.end(), i) == s.mother.end() && pick(6) == 0)
         s.sex[i] = SEX_UNKNOWN;
   int planted = pick(size);
   if (pick(3) && s.one[planted]) (pick(2) ? s.one : s.two)[planted] = 1 + pick(alleles);
   return s;
}

// With `familyAlone`, the verdict of Pedigree::CheckFamilyMarker instead of
// the whole check.
bool CheckerConsistent(const Sketch& s, int marker, bool familyAlone = false) {
   Pedigree ped;
   int n = static_cast<int>(s.sex.size());
   auto id = [](int i) { return std::to_string(i + 1); };
   for (int i = 0; i < n; i++)
      ped.AddPerson("F", id(i).c_str(), s.father[i] < 0 ? "0" : id(s.father[i]).c_str(),
                    s.mother[i] < 0 ? "0" : id(s.mother[i]).c_str(), s.sex[i], true);
   ped.Sort();
   for (int i = 0; i < n; i++) {
      Alleles& g = ped.FindPerson("F", id(i).c_str())->markers[marker];
      g.one = s.one[i];
      g.two = s.two[i];
   }
   if (familyAlone) return ped.CheckFamilyMarker(0, marker);
   testsupport::StdoutCapture quiet;
   bool consistent = ped.InheritanceCheck(false);
   quiet.Finish();
   return consistent;
}

// The typed members whose genotype alone, left out, makes the family consistent.
std::vector<int> Culprits(const Sketch& s, const std::function<bool(const Sketch&)>& consistent) {
   std::vector<int> found;
   for (size_t i = 0; i < s.sex.size(); i++) {
      Sketch blanked = s;
      blanked.one[i] = blanked.two[i] = 0;
      if (s.one[i] && consistent(blanked)) found.push_back(static_cast<int>(i));
   }
   return found;
}

std::string Describe(const Sketch& s) {
   std::string text;
   for (size_t i = 0; i < s.sex.size(); i++)
      text += std::to_string(i + 1) + ":" + std::to_string(s.father[i] + 1) + "x" +
              std::to_string(s.mother[i] + 1) + " sex " + std::to_string(s.sex[i]) + " " +
              std::to_string(s.one[i]) + "/" + std::to_string(s.two[i]) + "\n";
   return text;
}

// The checker against an exhaustive search over small random families with
// untyped ancestors, loops and planted errors: it must neither miss an
// inconsistency nor report one where Mendel allows the data. Rerunning one
// family alone must agree too, and so must the culprits it finds in an
// inconsistent family, one genotype left out at a time.
TEST(InheritanceCheck, AgreesWithExhaustiveSearch) {
   int marker = Pedigree::GetMarkerID("exhaustive");
   std::mt19937 rng(20261207);
   for (bool xLinked : {false, true}) {
      PedigreeGlobals::chromosomeX = xLinked;
      int counts[2] = {0, 0};
      for (int trial = 0; trial < 4000; trial++) {
         int alleles = 2 + trial % 5;
         Sketch s = RandomFamily(rng, alleles, xLinked);
         bool truth = ExhaustivelyConsistent(s, alleles, xLinked);
         counts[truth]++;
         const char* kind = xLinked ? "X-linked" : "autosomal";
         EXPECT_EQ(CheckerConsistent(s, marker), truth) << kind << "\n" << Describe(s);
         EXPECT_EQ(CheckerConsistent(s, marker, true), truth) << kind << "\n" << Describe(s);
         if (truth) continue;
         auto oracle = [&](const Sketch& b) { return ExhaustivelyConsistent(b, alleles, xLinked); };
         auto alone = [&](const Sketch& b) { return CheckerConsistent(b, marker, true); };
         EXPECT_EQ(Culprits(s, alone), Culprits(s, oracle)) << kind << "\n" << Describe(s);
      }
      EXPECT_GT(counts[0], 300);
      EXPECT_GT(counts[1], 500);
   }
   PedigreeGlobals::chromosomeX = false;
}

}  // namespace

namespace {

TEST(GenotypeList, SaveGenotypeMovesConfirmedCandidatesToTheFront) {
   GenotypeList list;
   list.Dimension(4);
   for (int i = 0; i < 4; i++) list.SetGenotype(i, i + 1, -1);
   EXPECT_EQ(list.SaveGenotype(2), 0);
   EXPECT_EQ(list.SaveGenotype(0), 0);  // already confirmed: stays
   EXPECT_EQ(list.SaveGenotype(3), 1);
   int expected[][2] = {{3, -1}, {4, -1}, {1, -1}, {2, -1}};
   for (int i = 0; i < 4; i++) {
      EXPECT_EQ(list.firstAlleles[i], expected[i][0]);
      EXPECT_EQ(list.secondAlleles[i], expected[i][1]);
   }
   EXPECT_EQ(list.confirmed, 2);
   EXPECT_TRUE(list.Matches(-1));
   EXPECT_FALSE(list.Matches(5));
}

// The candidate genotypes of every member, in the family's order, with the
// marker's allele labels and "*" for an allele left open.
TEST(GenotypeList, PrintListsEachMembersCandidates) {
   int marker = Pedigree::GetMarkerID("printed");
   Pedigree ped;
   ped.AddPerson("P", "dad", "0", "0", 1, true);
   ped.AddPerson("P", "mum", "0", "0", 2, true);
   ped.AddPerson("P", "kid", "dad", "mum", 1, true);
   ped.Sort();
   ped.FindPerson("P", "dad")->markers[marker].one = 1;
   ped.FindPerson("P", "dad")->markers[marker].two = 2;
   ped.FindPerson("P", "kid")->markers[marker].one = 2;
   ped.FindPerson("P", "kid")->markers[marker].two = 2;
   std::vector<GenotypeList> lists(ped.count);
   GenotypeList::InitializeList(lists.data(), ped, ped.families[0], marker);
   lists[1].Dimension(2);
   lists[1].SetGenotype(0, 2, -1);
   lists[1].SetGenotype(1, -1, -1);
   testsupport::StdoutCapture capture;
   GenotypeList::Print(lists.data(), ped, ped.families[0], marker);
   EXPECT_EQ(capture.Finish(), "dad - 2/1 \nmum - 2/* */* \nkid - 2/2 \n\n");
}

TEST(GenotypeList, UntypedFamilySkipsEveryMember) {
   int marker = Pedigree::GetMarkerID("untyped_family");
   Pedigree ped;
   ped.AddPerson("F", "a", "0", "0", 1, true);
   ped.AddPerson("F", "b", "0", "0", 2, true);
   ped.AddPerson("F", "c", "a", "b", 1, true);
   ped.AddPerson("F", "d", "c", "e", 1, true);
   ped.AddPerson("F", "e", "0", "0", 2, true);
   ped.Sort();
   std::vector<GenotypeList> lists(ped.count);
   GenotypeList::InitializeList(lists.data(), ped, ped.families[0], marker);
   for (const GenotypeList& list : lists) EXPECT_TRUE(list.skip);
   EXPECT_TRUE(GenotypeList::EliminateGenotypes(ped, ped.families[0], marker));
}

}  // namespace

namespace {

// Allele 2 of the last child must come down 10,000 generations from a couple
// typed 1/1, every spouse on the way being 1/1 as well: only the whole chain
// shows the inconsistency, and nothing may recurse along it.
TEST(InheritanceCheck, TenThousandGenerationsWithoutRecursion) {
   const int generations = 10000;
   int marker = Pedigree::GetMarkerID("deep_chain");
   Pedigree ped;
   ped.AddPerson("F", "f0", "0", "0", 1, true);
   ped.AddPerson("F", "m0", "0", "0", 2, true);
   std::string father = "f0", mother = "m0";
   for (int g = 1; g <= generations; g++) {
      std::string child = "c" + std::to_string(g), spouse = "s" + std::to_string(g);
      ped.AddPerson("F", child.c_str(), father.c_str(), mother.c_str(), 1, true);
      ped.AddPerson("F", spouse.c_str(), "0", "0", 2, true);
      father = child;
      mother = spouse;
   }
   ped.AddPerson("F", "last", father.c_str(), mother.c_str(), 2, true);
   ped.Sort();
   for (int i = 0; i < ped.count; i++) {
      Person& p = *ped.persons[i];
      bool typed = !p.hasBothParents || p.pid.Compare("last") == 0;
      p.markers[marker].one = typed ? 1 : 0;
      p.markers[marker].two = typed ? (p.pid.Compare("last") == 0 ? 2 : 1) : 0;
   }
   testsupport::StdoutCapture capture;
   EXPECT_FALSE(ped.InheritanceCheck(false));
   EXPECT_EQ(capture.Finish(),
             "deep_chain - Family F has a subtle genotype inconsistency\n"
             "\nMendelian inheritance errors detected\n");
}

}  // namespace
