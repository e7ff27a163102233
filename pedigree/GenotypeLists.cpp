#include "pedigree/GenotypeLists.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "io/Error.h"
#include "pedigree/CheckReport_internal.h"
#include "pedigree/Pedigree.h"
#include "pedigree/PedigreeAlleleFreq.h"

long long GenotypeList::searchBudget = 10000000;

GenotypeList::GenotypeList() : skip(false), maleX(false), confirmed(0) {}

void GenotypeList::Dimension(int n) {
   firstAlleles.Dimension(n);
   secondAlleles.Dimension(n);
}

void GenotypeList::SetGenotype(int index, int first, int second) {
   firstAlleles[index] = first;
   secondAlleles[index] = second;
}

void GenotypeList::Delete(int index) {
   firstAlleles.Delete(index);
   secondAlleles.Delete(index);
}

bool GenotypeList::Matches(int index, int allele) const {
   return firstAlleles[index] == allele || secondAlleles[index] == allele;
}

bool GenotypeList::Matches(int allele) const {
   for (int i = 0; i < Count(); i++)
      if (Matches(i, allele)) return true;
   return false;
}

int GenotypeList::SaveGenotype(int index) {
   if (index < confirmed) return index;
   if (index != confirmed) {
      int first = firstAlleles[index], second = secondAlleles[index];
      firstAlleles[index] = firstAlleles[confirmed];
      secondAlleles[index] = secondAlleles[confirmed];
      firstAlleles[confirmed] = first;
      secondAlleles[confirmed] = second;
   }
   return confirmed++;
}

namespace {

// Carries a single X: a male, or a person of unknown sex who is not typed
// heterozygous; reading such a person as male constrains the family least.
bool IsMaleX(const Person& p, const Alleles& g) {
   return PedigreeGlobals::chromosomeX &&
          (p.sex == SEX_MALE || (p.sex == SEX_UNKNOWN && !g.isHeterozygous()));
}

bool Holds(const GenotypeList& list, int index, int allele) {
   return list.firstAlleles[index] == allele || list.secondAlleles[index] == allele;
}

}  // namespace

bool GenotypeList::EliminateGenotypes(Pedigree& ped, Family* family, int marker) {
   std::vector<GenotypeList> lists;
   return EliminateGenotypes(ped, family, marker, lists, true);
}

bool GenotypeList::EliminateGenotypes(Pedigree& ped, Family* family, int marker,
                                      std::vector<GenotypeList>& lists, bool report) {
   if (lists.size() < static_cast<size_t>(family->count)) lists.resize(family->count);
   for (int i = 0; i < family->count; i++) {
      lists[i].Dimension(0);
      lists[i].candidateAlleles.Dimension(0);
      lists[i].skip = false;
      lists[i].confirmed = 0;
   }
   GenotypeList* list = lists.data();
   InitializeList(list, ped, family, marker);
   for (;;) {
      if (PairwiseCheck(list, ped, family)) continue;
      if (!FamilyCheck(list, ped, family)) break;
   }
   bool emptied = false;
   for (int i = 0; i < family->count; i++) emptied |= !list[i].skip && list[i].Count() == 0;
   // Elimination is exact only without loops of marriage or descent.
   if (!emptied && HasLoop(ped, family)) emptied = !SearchAssignment(list, ped, family);
   if (emptied) {
      if (report) ReportSubtle(family, marker);
      return false;
   }
   return true;
}

void GenotypeList::ReportSubtle(Family* family, int marker) {
   ReportLine report(family->ped, family->serial, marker);
   report.Add("%s - Family %s has a subtle genotype inconsistency\n",
              static_cast<const char*>(PedigreeGlobals::markerNames[marker]),
              static_cast<const char*>(family->famid));
   report.Print();
}

bool GenotypeList::HasLoop(Pedigree& ped, Family* family) {
   // Persons and couples form a graph joined by parenthood; a loop exists
   // exactly when some edge joins two nodes already connected.
   int n = family->count;
   std::vector<int> parent(2 * n);
   for (int i = 0; i < 2 * n; i++) parent[i] = i;
   auto root = [&](int x) {
      while (parent[x] != x) x = parent[x] = parent[parent[x]];
      return x;
   };
   auto join = [&](int a, int b) {
      a = root(a);
      b = root(b);
      parent[a] = b;
      return a != b;
   };
   for (int i = family->founders; i < n; i++) {
      Person& child = *ped.persons[family->path[i]];
      Person& head = *child.sibs[0];
      // The couple node is numbered after the persons by its sibship head.
      int couple = n + head.traverse;
      if (!join(i, couple)) return true;
      if (&head != &child) continue;
      if (!join(head.father->traverse, couple) || !join(head.mother->traverse, couple)) return true;
   }
   return false;
}

bool GenotypeList::SearchAssignment(GenotypeList* list, Pedigree& ped, Family* family) {
   const int other = 1000;  // stands for every allele nobody in the family carries
   int n = family->count;
   std::vector<std::vector<std::pair<int, int>>> options(n);
   IntArray pool;
   for (int i = 0; i < n; i++)
      for (int j = 0; j < list[i].candidateAlleles.Length(); j++)
         pool.PushIfNew(list[i].candidateAlleles[j]);
   pool.Append(other);
   for (int i = 0; i < n; i++) {
      GenotypeList& l = list[i];
      if (l.skip) continue;
      bool maleX = l.maleX;
      auto wild = [&](int a) { return l.candidateAlleles.Find(a) < 0 ? -1 : a; };
      for (int u = 0; u < pool.Length(); u++)
         for (int v = maleX ? u : 0; v <= u; v++) {
            int x = wild(pool[u]), y = wild(pool[v]);
            for (int k = 0; k < l.Count(); k++)
               if ((l.firstAlleles[k] == x && l.secondAlleles[k] == y) ||
                   (l.firstAlleles[k] == y && l.secondAlleles[k] == x)) {
                  options[i].emplace_back(pool[u], pool[v]);
                  break;
               }
         }
      if (options[i].empty()) return false;
   }
   // Depth-first over family order without recursion: parents are always
   // assigned before their children are tried.
   std::vector<int> choice(n, -1);
   std::vector<std::pair<int, int>> genotype(n);
   auto fits = [&](int i) {
      Person& p = *ped.persons[family->path[i]];
      if (list[i].skip || i < family->founders) return true;
      int f = p.father->traverse, m = p.mother->traverse;
      auto fromMother = [&](int a) {
         return list[m].skip || genotype[m].first == a || genotype[m].second == a;
      };
      auto fromFather = [&](int a) {
         return list[f].skip || genotype[f].first == a || genotype[f].second == a;
      };
      int x = genotype[i].first, y = genotype[i].second;
      if (list[i].maleX) return fromMother(x);
      return (fromFather(x) && fromMother(y)) || (fromFather(y) && fromMother(x));
   };
   // A pathological loop could take exponential time: past the budget the
   // family keeps the verdict of elimination.
   long long budget = searchBudget;
   int i = 0;
   while (i >= 0) {
      if (i == n || --budget < 0) return true;
      int size = list[i].skip ? 1 : static_cast<int>(options[i].size());
      bool advanced = false;
      while (++choice[i] < size) {
         if (!list[i].skip) genotype[i] = options[i][choice[i]];
         if (fits(i)) {
            advanced = true;
            break;
         }
      }
      if (advanced)
         i++;
      else
         choice[i--] = -1;
   }
   return false;
}

void GenotypeList::InitializeList(GenotypeList* list, Pedigree& ped, Family* family, int marker) {
   for (int i = family->count - 1; i >= 0; i--) {
      Person& p = *ped.persons[family->path[i]];
      GenotypeList& l = list[p.traverse];
      bool maleX = IsMaleX(p, p.markers[marker]);
      l.maleX = maleX;
      const Alleles& g = p.markers[marker];
      if (g.isKnown()) {
         int a0 = g.one, a1 = g.two;
         l.candidateAlleles.Dimension(0);
         l.candidateAlleles.Append(a1);
         if (a0 != a1) l.candidateAlleles.Append(a0);
         if (maleX && a0 != a1)
            l.Dimension(0);
         else {
            l.Dimension(1);
            l.SetGenotype(0, a1, a0);
         }
         l.skip = false;
      } else if (l.candidateAlleles.Length() == 0) {
         l.skip = true;
      } else {
         int k = l.candidateAlleles.Length();
         const IntArray& x = l.candidateAlleles;
         if (maleX) {
            l.Dimension(k + 1);
            for (int j = 0; j < k; j++) l.SetGenotype(j, x[j], x[j]);
            l.SetGenotype(k, -1, -1);
         } else {
            l.Dimension((k + 3) * k / 2 + 1);
            int n = 0;
            for (int j = 0; j < k; j++) {
               for (int m = 0; m <= j; m++) l.SetGenotype(n++, x[j], x[m]);
               l.SetGenotype(n++, x[j], -1);
            }
            l.SetGenotype(n, -1, -1);
         }
         l.skip = false;
      }
      if (i >= family->founders) {
         GenotypeList& mother = list[p.mother->traverse];
         GenotypeList& father = list[p.father->traverse];
         for (int j = 0; j < l.candidateAlleles.Length(); j++) {
            mother.candidateAlleles.PushIfNew(l.candidateAlleles[j]);
            if (!maleX) father.candidateAlleles.PushIfNew(l.candidateAlleles[j]);
         }
      }
   }
}

bool GenotypeList::PairwiseCheck(GenotypeList* list, Pedigree& ped, Family* family) {
   bool removed = false;
   for (int i = family->count - 1; i >= family->founders; i--) {
      Person& p = *ped.persons[family->path[i]];
      GenotypeList& l = list[p.traverse];
      if (l.skip) continue;
      GenotypeList& father = list[p.father->traverse];
      GenotypeList& mother = list[p.mother->traverse];
      bool maleX = l.maleX;
      for (int j = 0; j < l.Count();) {
         int x = l.firstAlleles[j], y = l.secondAlleles[j];
         bool stays;
         if (maleX)
            stays = x == -1 || mother.Matches(x);
         else
            stays = (x == -1 && y == -1) || (father.Matches(x) && (y == -1 || mother.Matches(y))) ||
                    (mother.Matches(x) && (y == -1 || father.Matches(y)));
         if (stays)
            j++;
         else {
            l.Delete(j);
            removed = true;
         }
      }
      if (l.Matches(-1)) continue;
      for (int parent = 0; parent < (maleX ? 1 : 2); parent++) {
         GenotypeList& pl = parent == 0 ? mother : father;
         for (int j = 0; j < pl.Count();) {
            if (l.Matches(pl.firstAlleles[j]) || l.Matches(pl.secondAlleles[j]))
               j++;
            else {
               pl.Delete(j);
               removed = true;
            }
         }
      }
   }
   return removed;
}

bool GenotypeList::FamilyCheck(GenotypeList* list, Pedigree& ped, Family* family) {
   bool removed = false;
   for (int i = family->count - 1; i >= family->founders; i--) {
      Person& child = *ped.persons[family->path[i]];
      if (child.sibs[0] != &child) continue;
      int father = child.father->traverse, mother = child.mother->traverse;
      if (list[father].skip || list[mother].skip) continue;
      list[father].confirmed = list[mother].confirmed = 0;
      for (int s = 0; s < child.sibCount; s++) list[child.sibs[s]->traverse].confirmed = 0;
      removed |= TrimParent(list, child, father, mother);
      removed |= TrimParent(list, child, mother, father);
      for (int s = 0; s < child.sibCount; s++) {
         Person& sib = *child.sibs[s];
         if (list[sib.traverse].maleX) continue;
         int sl = sib.traverse;
         for (int g = list[sl].confirmed; g < list[sl].Count(); g++)
            removed |= Cleanup(list, child, mother, father, sl, g);
      }
   }
   return removed;
}

bool GenotypeList::ExplainsSibship(GenotypeList* list, Person& person, int p, int q, int g, int h) {
   for (int s = 0; s < person.sibCount; s++) {
      Person& sib = *person.sibs[s];
      int sl = sib.traverse;
      if (list[sl].skip || list[sl].maleX) continue;
      bool explained = false;
      for (int j = list[sl].Count() - 1; j >= 0 && !explained; j--)
         explained = CheckTrio(list, p, q, sl, g, h, j);
      if (!explained) return false;
   }
   return true;
}

bool GenotypeList::TrimParent(GenotypeList* list, Person& person, int parent, int otherParent) {
   bool removed = false;
   GenotypeList& p = list[parent];
   GenotypeList& q = list[otherParent];
   while (p.confirmed < p.Count()) {
      int g = p.Count() - 1;
      int h = q.Count() - 1;
      while (h >= 0 && !ExplainsSibship(list, person, parent, otherParent, g, h)) h--;
      if (h < 0) {
         p.Delete(g);
         removed = true;
         continue;
      }
      for (int s = 0; s < person.sibCount; s++) {
         GenotypeList& sl = list[person.sibs[s]->traverse];
         for (int j = sl.confirmed; j < sl.Count(); j++)
            if (CheckTrio(list, parent, otherParent, person.sibs[s]->traverse, g, h, j))
               sl.SaveGenotype(j);
      }
      p.SaveGenotype(g);
      q.SaveGenotype(h);
   }
   return removed;
}

bool GenotypeList::Cleanup(GenotypeList* list, Person& person, int parent1, int parent2, int child,
                           int genotype) {
   GenotypeList& p1 = list[parent1];
   GenotypeList& p2 = list[parent2];
   if (p1.Count() == 0) {
      list[child].Delete(genotype);
      return true;
   }
   int head = person.traverse;
   for (int a = 0; a < p1.Count(); a++)
      for (int b = p2.Count() - 1; b >= 0; b--) {
         if (!CheckTrio(list, parent1, parent2, child, a, b, genotype)) continue;
         if (!ExplainsSibship(list, person, parent1, parent2, a, b)) continue;
         GenotypeList& hl = list[head];
         for (int j = hl.confirmed; j < hl.Count(); j++)
            if (CheckTrio(list, parent1, parent2, head, a, b, j)) hl.SaveGenotype(j);
         return false;
      }
   list[child].Delete(genotype);
   return true;
}

bool GenotypeList::CheckTrio(GenotypeList* list, int parent1, int parent2, int child, int genotype1,
                             int genotype2, int childGenotype) {
   const GenotypeList& c = list[child];
   int x = c.firstAlleles[childGenotype], y = c.secondAlleles[childGenotype];
   const GenotypeList& p1 = list[parent1];
   const GenotypeList& p2 = list[parent2];
   if (x == -1 && y == -1) return true;
   if (Holds(p1, genotype1, x) && (y == -1 || Holds(p2, genotype2, y))) return true;
   return (y == -1 || Holds(p1, genotype1, y)) && Holds(p2, genotype2, x);
}

void GenotypeList::Print(GenotypeList* list, Pedigree& ped, Family* family, int marker) {
   MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(marker);
   for (int k = 0; k < family->count; k++) {
      printf("%s - ", static_cast<const char*>(ped.persons[family->path[k]]->pid));
      for (int j = 0; j < list[k].Count(); j++) {
         int first = list[k].firstAlleles[j], second = list[k].secondAlleles[j];
         if (first == -1)
            printf("*/");
         else
            printf("%s/", static_cast<const char*>(info->GetAlleleLabel(first)));
         if (second == -1)
            printf("* ");
         else
            printf("%s ", static_cast<const char*>(info->GetAlleleLabel(second)));
      }
      printf("\n");
   }
   printf("\n");
}

// The inheritance checks of a whole pedigree.

namespace {

const char* Label(MarkerInfo* info, int allele, String& buffer) {
   buffer = info->GetAlleleLabel(allele);
   return buffer;
}

// Labels of up to six alleles, kept alive for one printf.
struct Labels {
   String text[6];
   MarkerInfo* info;
   explicit Labels(MarkerInfo* markerInfo) : info(markerInfo) {}
   const char* operator()(int slot, int allele) { return Label(info, allele, text[slot]); }
};

// Genotype elimination over bitsets, for families without loops. Every person
// takes a genotype of the alleles typed in the family: in any assignment that
// obeys Mendel, a copy of an allele that reaches no typed member can be
// renamed to a typed allele along its whole descent. Genotypes are numbered
// j(j + 1)/2 + i for alleles i <= j, so those of the first k alleles are the
// numbers below k(k + 1)/2; a person carrying one X takes the homozygous ones.
//
// Each sibship is a constraint on its parents and children. Its pass keeps a
// parental genotype only when some genotype of the other parent explains every
// child, and a child genotype only when such a couple explains it; passes
// repeat until nothing changes. Without loops the persons and sibships form a
// tree, and a tree whose every constraint is so reduced has a solution:
// choose any remaining genotype at a root, then down the tree each sibship
// reaches only persons no other branch reaches, and its pass guarantees a
// remaining choice for them that fits what is already chosen. So a family is
// consistent exactly when no one is left without genotypes, which is the
// verdict of the candidate lists; families with loops go to the lists and
// their exhaustive search.
constexpr int kMaxAlleles = 10;
constexpr int kGenotypes = kMaxAlleles * (kMaxAlleles + 1) / 2;

struct GenotypeTables {
   unsigned alleles[kGenotypes];            // one bit per allele
   uint64_t child[kGenotypes][kGenotypes];  // children of a father and a mother
   uint64_t son[kGenotypes];                // single-X children of a mother
   uint64_t sharing[1 << kMaxAlleles];      // genotypes with an allele of the set
   uint64_t all[kMaxAlleles + 1], single[kMaxAlleles + 1];

   GenotypeTables() {
      for (int j = 0; j < kMaxAlleles; j++)
         for (int i = 0; i <= j; i++) alleles[j * (j + 1) / 2 + i] = 1u << i | 1u << j;
      for (int k = 0; k <= kMaxAlleles; k++) {
         all[k] = (uint64_t(1) << k * (k + 1) / 2) - 1;
         single[k] = 0;
         for (int i = 0; i < k; i++) single[k] |= uint64_t(1) << (i * (i + 3) / 2);
      }
      for (int f = 0; f < kGenotypes; f++)
         for (int m = 0; m < kGenotypes; m++) {
            uint64_t children = 0;
            for (int g = 0; g < kGenotypes; g++) {
               unsigned a = alleles[g];
               unsigned lo = a & -a, hi = a == lo ? lo : a & ~lo;
               if (((lo & alleles[f]) && (hi & alleles[m])) ||
                   ((hi & alleles[f]) && (lo & alleles[m])))
                  children |= uint64_t(1) << g;
            }
            child[f][m] = children;
         }
      for (int m = 0; m < kGenotypes; m++) son[m] = child[m][m] & single[kMaxAlleles];
      for (unsigned set = 0; set < 1u << kMaxAlleles; set++) {
         sharing[set] = 0;
         for (int g = 0; g < kGenotypes; g++)
            if (alleles[g] & set) sharing[set] |= uint64_t(1) << g;
      }
   }
};

const GenotypeTables& Tables() {
   static const GenotypeTables tables;
   return tables;
}

int GenotypeNumber(int i, int j) {
   return i < j ? j * (j + 1) / 2 + i : i * (i + 1) / 2 + j;
}

// Parents and children by family order position.
struct SibshipShape {
   int father, mother;
   int kidsBegin, kidsEnd;  // into EliminationScratch::kids
};

struct FamilyShape {
   bool loop = false;
   int count = 0;
   int base = 0;  // first entry of the family's members in the per-member arrays
   int sibshipsBegin = 0, sibshipsEnd = 0;
};

// What genotype elimination keeps across the families and markers of one
// check: each family's shape, built once, and buffers sized to the largest.
class EliminationScratch {
public:
   std::vector<GenotypeList> lists;

   explicit EliminationScratch(Pedigree& ped);
   // 1 when consistent, 0 when not, -1 when left to the candidate lists (loops,
   // or more than ten typed alleles).
   int Consistent(int family, int marker);

private:
   std::vector<FamilyShape> shapes;
   std::vector<SibshipShape> sibships;
   std::vector<int> kids;
   // Per member, at the family's base plus its position.
   std::vector<Person*> members;
   std::vector<int> kidOf;                       // sibship as a child; -1 for founders
   std::vector<int> parentOfBegin, parentOfEnd;  // into parentOf
   std::vector<int> parentOf;                    // sibships as a parent
   // Per position of the family being solved.
   std::vector<uint64_t> domain, kept;
   std::vector<char> relevant, singleX;
   std::vector<int> queue;
   std::vector<char> state;  // per sibship
   std::vector<long long> alleleStamp = std::vector<long long>(256, -1);
   std::vector<int> alleleIndex = std::vector<int>(256);
   long long stamp = 0;
};

EliminationScratch::EliminationScratch(Pedigree& ped) : shapes(ped.familyCount) {
   size_t largest = 0;
   for (int f = 0; f < ped.familyCount; f++) {
      Family& family = *ped.families[f];
      FamilyShape& shape = shapes[f];
      shape.base = static_cast<int>(members.size());
      shape.count = family.count;
      shape.sibshipsBegin = static_cast<int>(sibships.size());
      if (family.count > family.founders) shape.loop = GenotypeList::HasLoop(ped, &family);
      std::vector<int> parentCount(family.count, 0);
      for (int i = 0; i < family.count; i++) {
         Person* p = ped.persons[family.path[i]];
         members.push_back(p);
         kidOf.push_back(-1);
      }
      for (int i = family.founders; i < family.count; i++) {
         Person& head = *members[shape.base + i];
         if (head.sibs[0] != &head) continue;
         int s = static_cast<int>(sibships.size());
         SibshipShape sibship{head.father->traverse, head.mother->traverse,
                              static_cast<int>(kids.size()), 0};
         for (int k = 0; k < head.sibCount; k++) {
            kids.push_back(head.sibs[k]->traverse);
            kidOf[shape.base + head.sibs[k]->traverse] = s;
         }
         sibship.kidsEnd = static_cast<int>(kids.size());
         sibships.push_back(sibship);
         parentCount[sibship.father]++;
         parentCount[sibship.mother]++;
      }
      shape.sibshipsEnd = static_cast<int>(sibships.size());
      for (int i = 0; i < family.count; i++) {
         parentOfBegin.push_back(static_cast<int>(parentOf.size()));
         parentOf.resize(parentOf.size() + parentCount[i]);
         parentOfEnd.push_back(parentOfBegin.back());
      }
      for (int s = shape.sibshipsBegin; s < shape.sibshipsEnd; s++)
         for (int parent : {sibships[s].father, sibships[s].mother})
            parentOf[parentOfEnd[shape.base + parent]++] = s;
      if (static_cast<size_t>(family.count) > largest) largest = family.count;
   }
   domain.resize(largest);
   kept.resize(largest);
   relevant.resize(largest);
   singleX.resize(largest);
   state.resize(sibships.size());
}

int EliminationScratch::Consistent(int family, int marker) {
   const FamilyShape& shape = shapes[family];
   if (shape.loop) return -1;
   int n = shape.count;
   Person** member = members.data() + shape.base;
   const int* childIn = kidOf.data() + shape.base;
   bool xLinked = PedigreeGlobals::chromosomeX;
   // A sibship is waiting (1), done until a member changes (0), or left out
   // because nothing is typed at or below any of its children (2): such
   // members fit any parents.
   for (int s = shape.sibshipsBegin; s < shape.sibshipsEnd; s++) state[s] = 2;
   std::fill(relevant.begin(), relevant.begin() + n, 0);
   stamp++;
   int k = 0;
   // Children come after their parents, so walking back up the family order
   // reaches each member after everything below it.
   for (int i = n - 1; i >= 0; i--) {
      const Person& p = *member[i];
      const Alleles& g = p.markers[marker];
      if (g.isKnown()) {
         relevant[i] = 1;
         singleX[i] = xLinked && (p.sex == SEX_MALE || (p.sex == SEX_UNKNOWN && g.one == g.two));
         if (singleX[i] && g.one != g.two) return 0;
         for (int allele : {int(g.one), int(g.two)})
            if (alleleStamp[allele] != stamp) {
               if (k == kMaxAlleles) return -1;
               alleleStamp[allele] = stamp;
               alleleIndex[allele] = k++;
            }
         domain[i] = uint64_t(1) << GenotypeNumber(alleleIndex[g.one], alleleIndex[g.two]);
      } else if (relevant[i]) {
         singleX[i] = xLinked && (p.sex == SEX_MALE || p.sex == SEX_UNKNOWN);
         domain[i] = 0;  // every genotype, once the alleles are counted
      }
      if (relevant[i] && childIn[i] >= 0) {
         const SibshipShape& sib = sibships[childIn[i]];
         relevant[sib.father] = relevant[sib.mother] = 1;
         state[childIn[i]] = 1;
      }
   }
   const GenotypeTables& t = Tables();
   int head = 0;
   queue.clear();
   for (int i = 0; i < n; i++)
      if (relevant[i] && domain[i] == 0) domain[i] = singleX[i] ? t.single[k] : t.all[k];
   for (int s = shape.sibshipsBegin; s < shape.sibshipsEnd; s++)
      if (state[s] == 1) queue.push_back(s);
   auto wake = [&](int s) {
      if (state[s] != 0) return;
      state[s] = 1;
      queue.push_back(s);
   };
   auto narrow = [&](int person, uint64_t genotypes) {
      if (genotypes == domain[person]) return true;
      domain[person] = genotypes;
      if (genotypes == 0) return false;
      if (childIn[person] >= 0) wake(childIn[person]);
      for (int j = parentOfBegin[shape.base + person]; j < parentOfEnd[shape.base + person]; j++)
         wake(parentOf[j]);
      return true;
   };
   bool consistent = true;
   while (consistent && head < static_cast<int>(queue.size())) {
      int s = queue[head++];
      const SibshipShape& sib = sibships[s];
      uint64_t fathers = domain[sib.father], mothers = domain[sib.mother];
      // A child with one genotype needs a parent holding one of its alleles.
      bool allFixed = true;
      for (int j = sib.kidsBegin; j < sib.kidsEnd; j++) {
         int c = kids[j];
         if (!relevant[c]) continue;
         kept[c] = domain[c];
         if (domain[c] & (domain[c] - 1)) {
            allFixed = false;
            continue;
         }
         uint64_t holders = t.sharing[t.alleles[__builtin_ctzll(domain[c])]];
         mothers &= holders;
         if (!singleX[c]) fathers &= holders;
      }
      uint64_t keptFathers = 0, keptMothers = 0;
      if (allFixed) {
         // Then a child {x, y} asks the mother for y when the father holds x
         // and for x when he holds y; each child keeps its genotype if any
         // couple remains.
         for (uint64_t fs = fathers; fs; fs &= fs - 1) {
            int f = __builtin_ctzll(fs);
            unsigned held = t.alleles[f];
            uint64_t ms = mothers;
            for (int j = sib.kidsBegin; j < sib.kidsEnd && ms; j++) {
               int c = kids[j];
               if (!relevant[c] || singleX[c]) continue;
               unsigned pair = t.alleles[__builtin_ctzll(domain[c])];
               unsigned x = pair & -pair, y = pair == x ? x : pair & ~x;
               ms &= t.sharing[(held & x ? y : 0) | (held & y ? x : 0)];
            }
            if (ms == 0) continue;
            keptFathers |= uint64_t(1) << f;
            keptMothers |= ms;
         }
      } else {
         for (int j = sib.kidsBegin; j < sib.kidsEnd; j++) kept[kids[j]] = 0;
         for (uint64_t fs = fathers; fs; fs &= fs - 1) {
            int f = __builtin_ctzll(fs);
            for (uint64_t ms = mothers; ms; ms &= ms - 1) {
               int m = __builtin_ctzll(ms);
               bool explained = true;
               for (int j = sib.kidsBegin; j < sib.kidsEnd && explained; j++) {
                  int c = kids[j];
                  if (relevant[c]) explained = (singleX[c] ? t.son[m] : t.child[f][m]) & domain[c];
               }
               if (!explained) continue;
               keptFathers |= uint64_t(1) << f;
               keptMothers |= uint64_t(1) << m;
               for (int j = sib.kidsBegin; j < sib.kidsEnd; j++) {
                  int c = kids[j];
                  if (relevant[c]) kept[c] |= (singleX[c] ? t.son[m] : t.child[f][m]) & domain[c];
               }
            }
         }
      }
      consistent = narrow(sib.father, keptFathers) && narrow(sib.mother, keptMothers);
      for (int j = sib.kidsBegin; j < sib.kidsEnd && consistent; j++)
         if (relevant[kids[j]]) consistent = narrow(kids[j], kept[kids[j]]);
      // A second pass would keep everything, so it waits for other sibships.
      state[s] = 0;
   }
   return consistent ? 1 : 0;
}

bool IsTyped(const Alleles& g) {
   return g.one != 0 && g.two != 0;
}

bool IsSibshipHead(const Person& p) {
   return p.hasBothParents && p.sibs[0] == &p;
}

// The child rule shared by both rule sets.
bool ChildFitsParents(const Alleles& child, const Alleles& father, const Alleles& mother) {
   bool fT = IsTyped(father), mT = IsTyped(mother);
   bool F0 = father.HasAllele(child.one), F1 = father.HasAllele(child.two);
   bool M0 = mother.HasAllele(child.one), M1 = mother.HasAllele(child.two);
   return (!fT || F0 || F1) && (!mT || M0 || M1) && (!(fT && mT) || (F0 && M1) || (F1 && M0));
}

// Markers checked together family by family, so that each family's persons
// and genotypes are read from memory once per block rather than once per
// marker. A block's reports wait in memory until it is done, so its length
// follows the length of the reports of the block before.
constexpr int kMarkerBlock = 128;
constexpr size_t kReportBytes = 16 << 20;

// What one marker of a block reports, printed in marker order once every
// family has been checked, exactly as a marker-by-marker check prints it.
struct MarkerReports {
   std::vector<ReportLine> males;  // X-linked males typed with two alleles come first
   std::vector<ReportLine> lines;
   IntArray subtle;  // families with a subtle inconsistency, reported last
   bool error = false;

   void Clear() {
      males.clear();
      lines.clear();
      subtle.Dimension(0);
      error = false;
   }
};

// Genotype elimination for a family the local rules passed at the marker,
// when it has any child: the local rules alone miss inconsistencies even
// within a single couple and their children. True when it finds one.
bool SubtleInconsistency(Pedigree& ped, EliminationScratch& elimination, int family, int marker) {
   Family* f = ped.families[family];
   if (f->count == f->founders) return false;
   int verdict = elimination.Consistent(family, marker);
   if (verdict < 0)
      verdict = GenotypeList::EliminateGenotypes(ped, f, marker, elimination.lists, false);
   return !verdict;
}

// Prints a block's reports and returns whether any marker of it had one;
// `block` becomes the number of markers for the next block.
bool PrintReports(Pedigree& ped, std::vector<MarkerReports>& reports, int first, int last,
                  int& block) {
   bool anyError = false;
   size_t bytes = 0;
   for (int m = first; m < last; m++) {
      MarkerReports& out = reports[m - first];
      for (std::vector<ReportLine>* list : {&out.males, &out.lines})
         for (ReportLine& line : *list) {
            line.Print();
            bytes += static_cast<size_t>(line.Length());
         }
      for (int k = 0; k < out.subtle.Length(); k++)
         GenotypeList::ReportSubtle(ped.families[out.subtle[k]], m);
      anyError |= out.error || out.subtle.Length() > 0;
      if (ped.observer != nullptr) ped.observer->MarkerChecked(m);
   }
   size_t perMarker = bytes / (last - first) + 1;
   block = static_cast<int>(
       std::max<size_t>(1, std::min<size_t>(kMarkerBlock, kReportBytes / perMarker)));
   return anyError;
}

}  // namespace

bool Pedigree::InheritanceCheck(bool abortIfInconsistent) {
   bool twinProblem = haveTwins ? TwinCheck() : false;
   bool mendelProblem = chromosomeX ? SexLinkedCheck() : AutosomalCheck();
   bool inconsistent = twinProblem || mendelProblem;
   if (inconsistent && abortIfInconsistent) error("Mendelian inheritance errors detected\n");
   return !inconsistent;
}

bool Pedigree::AutosomalCheck() {
   bool anyError = false;
   EliminationScratch elimination(*this);
   // Stamps carry a serial unique to each sibship and marker, so they are never
   // cleared and an allele beyond the labelled ones cannot read a stale stamp.
   std::vector<long long> alleleStamp(256, -1), genotypeStamp(256 * 255 / 2 + 1, -1);
   std::vector<int> alleleCounter(256);
   long long stamp = 0;
   std::vector<MarkerReports> reports(kMarkerBlock);
   std::vector<MarkerInfo*> infos(kMarkerBlock);
   Labels label(nullptr);
   int block = 1;  // until the first marker shows how long its reports run
   for (int first = 0, last; first < markerCount; first = last) {
      last = std::min(markerCount, first + block);
      for (int m = first; m < last; m++) {
         infos[m - first] = GetMarkerInfo(m);
         reports[m - first].Clear();
      }
      for (int f = 0; f < familyCount; f++) {
         Family& family = *families[f];
         for (int m = first; m < last; m++) {
            MarkerReports& out = reports[m - first];
            const char* name = markerNames[m];
            label.info = infos[m - first];
            bool flagged = false;
            for (int i = family.first; i <= family.last; i++) {
               Person& head = *persons[i];
               if (!IsSibshipHead(head)) continue;
               stamp++;
               const Alleles& fg = head.father->markers[m];
               const Alleles& mg = head.mother->markers[m];
               int a = 0, h = 0, g = 0;
               bool t = false;
               for (int s = 0; s < head.sibCount; s++) {
                  Person& sib = *head.sibs[s];
                  const Alleles& c = sib.markers[m];
                  if (!IsTyped(c)) continue;
                  if (!ChildFitsParents(c, fg, mg)) {
                     ReportLine& report = out.lines.emplace_back(*this, f, m);
                     report.Name(sib);
                     report.Add("%s - Fam %s: Child %s [%s/%s] has ", name, (const char*)sib.famid,
                                (const char*)sib.pid, label(0, c.one), label(1, c.two));
                     if (IsTyped(fg) && IsTyped(mg))
                        report.Add("parents [%s/%s]*[%s/%s]\n", label(0, fg.one), label(1, fg.two),
                                   label(2, mg.one), label(3, mg.two));
                     else if (IsTyped(fg))
                        report.Add("%s [%s/%s]\n", "father", label(0, fg.one), label(1, fg.two));
                     else
                        report.Add("%s [%s/%s]\n", "mother", label(0, mg.one), label(1, mg.two));
                     flagged = true;
                     continue;
                  }
                  int c0 = c.one, c1 = c.two;
                  for (int allele : {c0, c1})
                     if (alleleStamp[allele] != stamp) {
                        alleleStamp[allele] = stamp;
                        alleleCounter[allele] = 0;
                        a++;
                     }
                  int lo = c0 < c1 ? c0 : c1, hi = c0 < c1 ? c1 : c0;
                  int genotype = hi * (hi - 1) / 2 + lo;
                  if (genotypeStamp[genotype] != stamp) {
                     genotypeStamp[genotype] = stamp;
                     g++;
                     alleleCounter[c0]++;
                     if (c1 != c0)
                        alleleCounter[c1]++;
                     else
                        h++;
                     if (alleleCounter[c0] >= 3 || alleleCounter[c1] >= 3) t = true;
                  }
               }
               for (const Alleles* parent : {&fg, &mg}) {
                  if (!IsTyped(*parent)) continue;
                  for (int allele : {int(parent->one), int(parent->two)})
                     if (alleleStamp[allele] != stamp) {
                        alleleStamp[allele] = stamp;
                        alleleCounter[allele] = 0;
                        a++;
                     }
                  if (parent->one == parent->two) h++;
               }
               if (g < 5 && a + h < 5 && (a != 4 || !t)) continue;
               ReportLine& report = out.lines.emplace_back(*this, f, m);
               report.Add("%s - Fam %s: ", name, (const char*)head.famid);
               if (IsTyped(fg)) {
                  report.Name(*head.father);
                  report.Add("Father %s [%s/%s] has children [", (const char*)head.father->pid,
                             label(0, fg.one), label(1, fg.two));
               } else if (IsTyped(mg)) {
                  report.Name(*head.mother);
                  report.Add("Mother %s [%s/%s] has children [", (const char*)head.mother->pid,
                             label(0, mg.one), label(1, mg.two));
               } else {
                  report.Name(*head.mother);
                  report.Name(*head.father);
                  report.Add("Couple %s * %s has children [", (const char*)head.mother->pid,
                             (const char*)head.father->pid);
               }
               for (int s = 0; s < head.sibCount; s++) {
                  const Alleles& c = head.sibs[s]->markers[m];
                  report.Add("%s%s/%s", s ? " " : "", label(0, c.one), label(1, c.two));
               }
               report.Add("]\n");
               flagged = true;
            }
            out.error |= flagged;
            if (!flagged && SubtleInconsistency(*this, elimination, f, m)) out.subtle.Append(f);
         }
      }
      anyError |= PrintReports(*this, reports, first, last, block);
   }
   if (anyError) puts("\nMendelian inheritance errors detected");
   return anyError;
}

namespace {

// The maternal alleles a sibship's X chromosomes require; more than two is an
// inconsistency.
struct MaternalSlots {
   int s1, s2;
   bool ok = true;
   void Add(int x) {
      if (x == s1 || x == s2) return;
      if (s1 == 0)
         s1 = x;
      else if (s2 == 0)
         s2 = x;
      else
         ok = false;
   }
};

}  // namespace

bool Pedigree::SexLinkedCheck() {
   bool anyError = false;
   EliminationScratch elimination(*this);
   std::vector<MarkerReports> reports(kMarkerBlock);
   std::vector<MarkerInfo*> infos(kMarkerBlock);
   Labels label(nullptr);
   int block = 1;  // until the first marker shows how long its reports run
   for (int first = 0, last; first < markerCount; first = last) {
      last = std::min(markerCount, first + block);
      for (int m = first; m < last; m++) {
         infos[m - first] = GetMarkerInfo(m);
         reports[m - first].Clear();
      }
      for (int f = 0; f < familyCount; f++) {
         Family& family = *families[f];
         for (int m = first; m < last; m++) {
            MarkerReports& out = reports[m - first];
            const char* name = markerNames[m];
            label.info = infos[m - first];
            bool flagged = false;
            // Every family's males are reported before any sibship of the marker.
            for (int i = family.first; i <= family.last; i++) {
               Person& p = *persons[i];
               Alleles& g = p.markers[m];
               if (p.sex != SEX_MALE || !IsTyped(g) || g.one == g.two) continue;
               ReportLine& report = out.males.emplace_back(*this, f, m);
               report.Name(p);
               report.Add("%s - Fam %s: Male %s has two X alleles [%s/%s]\n", name,
                          (const char*)p.famid, (const char*)p.pid, label(0, g.one),
                          label(1, g.two));
               g.one = g.two = 0;
               flagged = true;
            }
            for (int i = family.first; i <= family.last; i++) {
               Person& head = *persons[i];
               if (!IsSibshipHead(head) || head.sibCount < 1) continue;
               const Alleles& fg = head.father->markers[m];
               const Alleles& mg = head.mother->markers[m];
               bool fT = IsTyped(fg), mT = IsTyped(mg);
               MaternalSlots slots{mg.one, mg.two};
               int d = 0, P1 = 0, P2 = 0, r0 = 0, r1 = 0;
               for (int s = 0; s < head.sibCount; s++) {
                  Person& sib = *head.sibs[s];
                  const Alleles& c = sib.markers[m];
                  if (!IsTyped(c)) continue;
                  int c0 = c.one, c1 = c.two;
                  if (sib.sex == SEX_MALE) {
                     if (mT && !mg.HasAllele(c0)) {
                        ReportLine& report = out.lines.emplace_back(*this, f, m);
                        report.Name(sib);
                        report.Add("%s - Fam %s: Child %s [%s/Y] has mother [%s/%s]\n", name,
                                   (const char*)sib.famid, (const char*)sib.pid, label(0, c0),
                                   label(1, mg.one), label(2, mg.two));
                        flagged = true;
                     } else
                        slots.Add(c0);
                     continue;
                  }
                  if (sib.sex != SEX_FEMALE) continue;
                  if (!ChildFitsParents(c, fg, mg)) {
                     ReportLine& report = out.lines.emplace_back(*this, f, m);
                     report.Name(sib);
                     report.Add("%s - Fam %s: Child %s [%s/%s] has ", name, (const char*)sib.famid,
                                (const char*)sib.pid, label(0, c0), label(1, c1));
                     if (!fT)
                        report.Add("mother [%s/%s]\n", label(0, mg.one), label(1, mg.two));
                     else if (mT)
                        report.Add("parents [%s/Y]*[%s/%s]\n", label(0, fg.one), label(1, mg.one),
                                   label(2, mg.two));
                     else
                        report.Add("father [%s/Y]\n", label(0, fg.one));
                     flagged = true;
                     continue;
                  }
                  d++;
                  if (d == 1) {
                     r0 = P1 = c0;
                     r1 = P2 = c1;
                  } else if (!((c0 == r0 && c1 == r1) || (c0 == r1 && c1 == r0))) {
                     int lo = P1 < P2 ? P1 : P2, hi = P1 < P2 ? P2 : P1;
                     int x;
                     if ((lo == c0 && hi == c1) || (lo == c1 && hi == c0))
                        x = P1;
                     else {
                        x = (lo == c0 || lo == c1) ? lo : (hi == c0 || hi == c1) ? hi : 0;
                        P1 = P2 = x;
                     }
                     slots.Add(c0 == x ? c1 : c0);
                     slots.Add(r0 == x ? r1 : r0);
                  }
                  bool M0 = mg.HasAllele(c0), M1 = mg.HasAllele(c1);
                  bool F0 = fg.HasAllele(c0), F1 = fg.HasAllele(c1);
                  if (!fT && M0 != M1) {
                     int y = M0 ? c1 : c0;
                     P1 = P2 = (y == P1 || y == P2) ? y : 0;
                  }
                  if (!mT && F0 != F1) slots.Add(F0 ? c1 : c0);
               }
               if (slots.ok && (d == 0 || P1 * P2 != 0)) continue;
               ReportLine& report = out.lines.emplace_back(*this, f, m);
               report.Add("%s - Fam %s: ", name, (const char*)head.famid);
               if (fT) {
                  report.Name(*head.father);
                  report.Add("Father %s [%s/Y] has children [", (const char*)head.father->pid,
                             label(0, fg.one));
               } else if (mT) {
                  report.Name(*head.mother);
                  report.Add("Mother %s [%s/%s] has children [", (const char*)head.mother->pid,
                             label(0, mg.one), label(1, mg.two));
               } else {
                  report.Name(*head.mother);
                  report.Name(*head.father);
                  report.Add("Couple %s * %s has children [", (const char*)head.mother->pid,
                             (const char*)head.father->pid);
               }
               for (int s = 0; s < head.sibCount; s++) {
                  const Alleles& c = head.sibs[s]->markers[m];
                  if (head.sibs[s]->sex == SEX_MALE)
                     report.Add("%s%s/Y", s ? " " : "", label(0, c.one));
                  else
                     report.Add("%s%s/%s", s ? " " : "", label(0, c.one), label(1, c.two));
               }
               report.Add("]\n");
               flagged = true;
            }
            out.error |= flagged;
            if (!flagged && SubtleInconsistency(*this, elimination, f, m)) out.subtle.Append(f);
         }
      }
      anyError |= PrintReports(*this, reports, first, last, block);
   }
   if (anyError) puts("\nMendelian inheritance errors detected");
   return anyError;
}
