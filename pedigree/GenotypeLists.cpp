#include "pedigree/GenotypeLists.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "pedigree/CheckReport_internal.h"
#include "pedigree/Pedigree.h"

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
