#include "pedigree/PedigreeFamily.h"

#include <cstdio>
#include <vector>

#include "io/Error.h"
#include "pedigree/Pedigree.h"

Family::Family(Pedigree& pedigree, int firstPerson, int lastPerson, int familySerial)
    : ped(pedigree),
      famid(pedigree.persons[firstPerson]->famid),
      serial(familySerial),
      first(firstPerson),
      last(lastPerson),
      count(lastPerson - firstPerson + 1),
      founders(0),
      nonFounders(0),
      mzTwins(0),
      path(new int[lastPerson - firstPerson + 1]),
      generations(1) {
   std::vector<Person*> pending;
   for (int i = first; i <= last; i++) {
      Person* p = ped.persons[i];
      if (!p->hasBothParents) {
         p->traverse = founders;
         path[founders++] = i;
         continue;
      }
      p->traverse = -1;
      pending.push_back(p);
      if (p->zygosity % 2 == 0) continue;
      for (int s = 0; s < p->sibCount; s++) {
         Person* sib = p->sibs[s];
         if (sib->serial < p->serial && sib->serial >= first && sib->zygosity == p->zygosity) {
            mzTwins++;
            break;
         }
      }
   }
   nonFounders = count - founders;
   if (nonFounders) generations = 2;

   int next = founders;
   auto place = [&](Person* p) {
      p->traverse = next;
      path[next++] = p->serial;
      if (p->father->hasBothParents || p->mother->hasBothParents) generations = 3;
   };
   // Each pass walks only the members still waiting, so a deep pedigree
   // listed children first costs one short pass per generation.
   while (!pending.empty()) {
      bool placedAny = false;
      for (Person* p : pending) {
         if (p->traverse >= 0 || p->father->traverse < 0 || p->mother->traverse < 0) continue;
         place(p);
         placedAny = true;
         if (p->zygosity % 2 == 0) continue;
         for (int s = 0; s < p->sibCount; s++) {
            Person* twin = p->sibs[s];
            if (twin->traverse < 0 && twin->zygosity == p->zygosity) place(twin);
         }
      }
      size_t kept = 0;
      for (Person* p : pending)
         if (p->traverse < 0) pending[kept++] = p;
      pending.resize(kept);
      if (!placedAny && !pending.empty()) ShowInvalidCycles();
   }
}

Family::~Family() {
   delete[] path;
}

void Family::ShowInvalidCycles() {
   std::vector<int> children(count, 0);
   auto unplacedParents = [&](Person* p, Person* out[2]) {
      out[0] = p->father != nullptr && p->father->traverse == -1 ? p->father : nullptr;
      out[1] = p->mother != nullptr && p->mother->traverse == -1 ? p->mother : nullptr;
   };
   for (int i = first; i <= last; i++) {
      Person* p = ped.persons[i];
      if (p->traverse != -1) continue;
      Person* parents[2];
      unplacedParents(p, parents);
      for (Person* parent : parents)
         if (parent != nullptr) children[parent->serial - first]++;
   }
   // Members that are nobody's ancestor cannot lie on a cycle: peel them off
   // until only the cycles and what joins them remain.
   std::vector<Person*> peel;
   for (int i = first; i <= last; i++)
      if (ped.persons[i]->traverse == -1 && children[i - first] == 0)
         peel.push_back(ped.persons[i]);
   while (!peel.empty()) {
      Person* p = peel.back();
      peel.pop_back();
      Person* parents[2];
      unplacedParents(p, parents);
      p->traverse = 9999;
      for (Person* parent : parents)
         if (parent != nullptr && --children[parent->serial - first] == 0) peel.push_back(parent);
   }
   printf(
       "The structure of family %s requires\n"
       "an individual to be his own ancestor.\n\n"
       "To identify the problem(s), examine the\n"
       "following key individuals:\n\n",
       (const char*)famid);
   for (int i = first; i <= last; i++)
      if (ped.persons[i]->traverse == -1)
         printf("Problem Person: %s\n", (const char*)ped.persons[i]->pid);
   // Called from the constructor, whose destructor never runs: where a fatal
   // error unwinds instead of ending the process (fuzz builds), the order
   // must not be left behind.
   delete[] path;
   path = nullptr;
   error("Invalid pedigree structure.");
}

int Family::ConnectedGroups(IntArray* groups) {
   std::vector<int> root(count);
   for (int i = 0; i < count; i++) root[i] = i;
   auto find = [&](int i) {
      while (root[i] != i) i = root[i] = root[root[i]];
      return i;
   };
   for (int i = count - 1; i >= founders; i--) {
      Person* p = ped.persons[path[i]];
      int a = find(p->traverse), b = find(p->father->traverse), c = find(p->mother->traverse);
      int smallest = a < b ? a : b;
      if (c < smallest) smallest = c;
      root[a] = root[b] = root[c] = smallest;
   }
   int result = 0;
   for (int i = 0; i < founders; i++)
      if (find(i) == i) result++;
   if (groups != nullptr) {
      groups->Dimension(count);
      std::vector<int> number(count, 0);
      int numbered = 0;
      for (int i = 0; i < count; i++) {
         int r = find(i);
         if (number[r] == 0) number[r] = ++numbered;
         (*groups)[i] = number[r];
      }
   }
   return result;
}
