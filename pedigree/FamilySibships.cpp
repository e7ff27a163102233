#include "pedigree/FamilySibships.h"

FamilySibships::Span FamilySibships::Add(const Pedigree& ped, const Family& family) {
   Span span{static_cast<int>(kidOf.size()), static_cast<int>(sibships.size()), 0};
   kidOf.resize(kidOf.size() + family.count, -1);
   std::vector<int> parentCount(family.count, 0);
   for (int i = family.founders; i < family.count; i++) {
      const Person& head = *ped.persons[family.path[i]];
      if (head.sibs[0] != &head) continue;
      int s = static_cast<int>(sibships.size()) - span.sibshipsBegin;
      Sibship sibship{head.father->traverse, head.mother->traverse, static_cast<int>(kids.size()),
                      0};
      for (int k = 0; k < head.sibCount; k++) {
         kids.push_back(head.sibs[k]->traverse);
         kidOf[span.membersBegin + head.sibs[k]->traverse] = s;
      }
      sibship.kidsEnd = static_cast<int>(kids.size());
      sibships.push_back(sibship);
      parentCount[sibship.father]++;
      parentCount[sibship.mother]++;
   }
   span.sibshipsEnd = static_cast<int>(sibships.size());
   for (int i = 0; i < family.count; i++) {
      parentOfBegin.push_back(static_cast<int>(parentOf.size()));
      parentOf.resize(parentOf.size() + parentCount[i]);
      parentOfEnd.push_back(parentOfBegin.back());
   }
   for (int s = span.sibshipsBegin; s < span.sibshipsEnd; s++)
      for (int parent : {sibships[s].father, sibships[s].mother})
         parentOf[parentOfEnd[span.membersBegin + parent]++] = s - span.sibshipsBegin;
   return span;
}
