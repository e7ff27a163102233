#include "pedigree/PedigreeFamily.h"

#include <algorithm>
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

   // The order is that of passes over the waiting members in pedigree
   // order, each placing a member whose parents are both placed (and with it
   // its MZ twins). Running the passes costs one per generation; the same
   // order follows from the parents alone: a member visited at position i is
   // placed in the first pass in which both parents were placed before that
   // visit, so members are keyed parents first and sorted by key.
   struct Key {
      int pass = -1, visit = 0, rank = 0;
      bool operator<(const Key& rhs) const {
         if (pass != rhs.pass) return pass < rhs.pass;
         return visit != rhs.visit ? visit < rhs.visit : rank < rhs.rank;
      }
   };
   std::vector<Key> keys(count);
   std::vector<int> unkeyedParents(count, 0), childStart(count + 1, 0), children;
   for (Person* p : pending)
      for (Person* parent : {p->father, p->mother})
         if (parent->hasBothParents) {
            unkeyedParents[p->serial - first]++;
            childStart[parent->serial - first + 1]++;
         }
   for (int i = 0; i < count; i++) childStart[i + 1] += childStart[i];
   children.resize(childStart[count]);
   std::vector<int> filled(childStart.begin(), childStart.end() - 1);
   for (Person* p : pending)
      for (Person* parent : {p->father, p->mother})
         if (parent->hasBothParents) children[filled[parent->serial - first]++] = p->serial;
   auto ownKey = [&](Person* p) {
      Key key;
      key.visit = p->serial;
      for (Person* parent : {p->father, p->mother}) {
         int pass = 1;
         if (parent->hasBothParents) {
            const Key& placed = keys[parent->serial - first];
            pass = placed.visit < p->serial ? placed.pass : placed.pass + 1;
         }
         if (pass > key.pass) key.pass = pass;
      }
      return key;
   };
   std::vector<Person*> ready, keyed, group;
   for (Person* p : pending)
      if (unkeyedParents[p->serial - first] == 0) ready.push_back(p);
   while (!ready.empty()) {
      Person* p = ready.back();
      ready.pop_back();
      if (keys[p->serial - first].pass >= 0) continue;
      // MZ twins share their parents, so they are ready together; the one
      // visited first places the others at once, in sibship order.
      group.assign(1, p);
      if (p->zygosity % 2 != 0) {
         group.clear();
         for (int s = 0; s < p->sibCount; s++)
            if (p->sibs[s]->zygosity == p->zygosity) group.push_back(p->sibs[s]);
      }
      Key key = ownKey(p);
      for (Person* twin : group) {
         Key twinKey = ownKey(twin);
         if (twinKey < key) key = twinKey;
      }
      int rank = 1;
      for (Person* twin : group) {
         Key& k = keys[twin->serial - first];
         k = key;
         k.rank = twin->serial == key.visit ? 0 : rank++;
         keyed.push_back(twin);
         for (int c = childStart[twin->serial - first]; c < childStart[twin->serial - first + 1];
              c++)
            if (--unkeyedParents[children[c] - first] == 0)
               ready.push_back(ped.persons[children[c]]);
      }
   }
   std::sort(keyed.begin(), keyed.end(), [&](Person* a, Person* b) {
      return keys[a->serial - first] < keys[b->serial - first];
   });
   int next = founders;
   for (Person* p : keyed) {
      p->traverse = next;
      path[next++] = p->serial;
      if (p->father->hasBothParents || p->mother->hasBothParents) generations = 3;
   }
   if (next < count) ShowInvalidCycles();
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
