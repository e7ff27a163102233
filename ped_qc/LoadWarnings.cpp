#include "LoadWarnings.h"

#include <cstdio>
#include <string>

namespace {

// "0" in the five-column layout, "." in the MENDEL layout.
bool NamesParent(const String& id) {
   return id.Compare("0") != 0 && id.Compare(".") != 0;
}

}  // namespace

void LoadWarnings::Conflict(const MergeConflict& conflict) {
   printf("Warning: [%s] gives Person %s in Family %s the %s %s instead of %s: %s is kept\n",
          conflict.file, conflict.pid, conflict.famid, conflict.field, conflict.after,
          conflict.before, conflict.after);
   mergeConflicts++;
}

void LoadWarnings::FindAbsentParents(Pedigree& ped) {
   for (int i = 0; i < ped.count; i++) {
      Person& p = *ped.persons[i];
      // One parent found and the other absent is fatal in the loader.
      if (p.father != nullptr || p.mother != nullptr) continue;
      std::string absent;
      if (NamesParent(p.fatid)) absent = "father " + std::string(p.fatid);
      if (NamesParent(p.motid))
         absent += (absent.empty() ? "mother " : " and mother ") + std::string(p.motid);
      if (absent.empty()) continue;
      bool both = NamesParent(p.fatid) && NamesParent(p.motid);
      printf("Warning: Person %s in Family %s is read as a founder: %s %s not in the family\n",
             (const char*)p.pid, (const char*)p.famid, absent.c_str(), both ? "are" : "is");
      absentParents++;
   }
}
