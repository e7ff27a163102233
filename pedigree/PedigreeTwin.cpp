#include <cstdio>
#include <vector>

#include "io/Error.h"
#include "pedigree/CheckReport_internal.h"
#include "pedigree/Pedigree.h"

namespace {

bool IsMZTwin(const Person& p) {
   return p.zygosity % 2 == 1 && p.hasBothParents;
}

// The earliest member of p's MZ group from the family's first person on.
Person* FirstOfGroup(int first, Person* p) {
   Person* earliest = p;
   for (int s = 0; s < p->sibCount; s++) {
      Person* sib = p->sibs[s];
      if (sib->zygosity == p->zygosity && sib->serial >= first && sib->serial < earliest->serial &&
          sib->father == p->father && sib->mother == p->mother)
         earliest = sib;
   }
   return earliest;
}

}  // namespace

bool Pedigree::TwinCheck() {
   bool problem = false;
   for (int f = 0; f < familyCount; f++) {
      Family& family = *families[f];
      bool hasTwins = false;
      for (int i = family.first; i <= family.last; i++) {
         Person* p = persons[i];
         if (!IsMZTwin(*p)) continue;
         Person* t = FirstOfGroup(family.first, p);
         if (t == p) continue;
         hasTwins = true;
         if (t->sex != p->sex) {
            ReportLine report(*this, f, -1);
            report.Name(*t);
            report.Name(*p);
            report.Add("MZ Twins %s and %s in family %s have different sexes\n",
                       (const char*)t->pid, (const char*)p->pid, (const char*)t->famid);
            report.Print();
            problem = true;
         }
         for (int m = 0; m < markerCount; m++) {
            Alleles& tg = t->markers[m];
            const Alleles& pg = p->markers[m];
            if (tg.one && tg.two) {
               if (pg.one && pg.two && !tg.Matches(pg)) {
                  ReportLine report(*this, f, m);
                  report.Name(*t);
                  report.Name(*p);
                  report.Add("MZ Twins %s and %s in family %s have different %s genotypes\n",
                             (const char*)t->pid, (const char*)p->pid, (const char*)t->famid,
                             (const char*)markerNames[m]);
                  report.Print();
                  problem = true;
               }
            } else
               tg = pg;
         }
      }
      if (!hasTwins) continue;
      for (int i = family.first; i <= family.last; i++) {
         Person* p = persons[i];
         if (!IsMZTwin(*p)) continue;
         Person* t = FirstOfGroup(family.first, p);
         if (t == p) continue;
         for (int m = 0; m < markerCount; m++) p->markers[m] = t->markers[m];
      }
   }
   return problem;
}

void Pedigree::MergeTwins() {
   if (!haveTwins) return;
   printf("Merging MZ twins into a single individual...\n");
   for (int f = 0; f < familyCount; f++) {
      Family& family = *families[f];
      std::vector<int> marked;
      for (int i = family.first; i <= family.last; i++) {
         Person* p = persons[i];
         if (!IsMZTwin(*p)) continue;
         Person* t = FirstOfGroup(family.first, p);
         if (t == p) continue;
         t->pid += "$";
         t->pid += p->pid;
         for (int a = 0; a < affectionCount; a++)
            if (p->affections[a] == 2) t->affections[a] = 2;
         marked.push_back(i);
      }
      if (marked.empty()) continue;
      for (int i = family.first; i <= family.last; i++) {
         Person* p = persons[i];
         if (!p->hasBothParents) continue;
         if (IsMZTwin(*p->father)) p->fatid = FirstOfGroup(family.first, p->father)->pid;
         if (IsMZTwin(*p->mother)) p->motid = FirstOfGroup(family.first, p->mother)->pid;
      }
      for (int k = static_cast<int>(marked.size()) - 1; k >= 0; k--) {
         int i = marked[k];
         delete persons[i];
         for (int j = i + 1; j < count; j++) persons[j - 1] = persons[j];
         count--;
      }
      Sort();
   }
}

int Pedigree::Dichotomize(int trait, double mean) {
   String name = traitNames[trait];
   name += "*";
   int affection = GetAffectionID(name);
   if (mean == MISSING_VALUE) {
      double sum = 0;
      int n = 0;
      for (int i = 0; i < count; i++)
         if (persons[i]->hasBothParents && persons[i]->traits[trait] != MISSING_VALUE) {
            sum += persons[i]->traits[trait];
            n++;
         }
      if (n == 0) return affection;
      mean = sum / n;
   }
   printf("Dichotomizing %s around mean of %.3f ...\n", (const char*)traitNames[trait], mean);
   for (int i = 0; i < count; i++) {
      Person& p = *persons[i];
      p.MatchRegistry();
      double value = p.traits[trait];
      if (p.hasBothParents && value != MISSING_VALUE)
         p.affections[affection] = value > mean ? 2 : 1;
      else
         p.affections[affection] = 0;
   }
   Sort();
   return affection;
}

void Pedigree::DichotomizeAll(double mean) {
   for (int t = 0; t < traitCount; t++) Dichotomize(t, mean);
}

void Pedigree::PrepareDichotomization() {
   for (int t = 0; t < traitCount; t++) {
      String name = traitNames[t];
      name += "*";
      GetAffectionID(name);
   }
}
