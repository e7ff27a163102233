#include "pedigree/Pedigree.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "base/MemoryInfo.h"
#include "base/Sort.h"
#include "io/Error.h"

namespace {

// QuickSort and BinarySearch call their comparison through a pointer of type
// int (*)(const void*, const void*); calling a function of another type through
// it is undefined, so each comparison is reached through one of that type.
int PersonsInOrder(const void* a, const void* b) {
   return Pedigree::ComparePersons(static_cast<const Person**>(const_cast<void*>(a)),
                                   static_cast<const Person**>(const_cast<void*>(b)));
}

int ParentsInOrder(const void* a, const void* b) {
   return Pedigree::CompareParents(static_cast<const Person**>(const_cast<void*>(a)),
                                   static_cast<const Person**>(const_cast<void*>(b)));
}

int KeyToPerson(const void* key, const void* person) {
   return Pedigree::CompareKeyToPerson(static_cast<PedigreeKey*>(const_cast<void*>(key)),
                                       static_cast<Person**>(const_cast<void*>(person)));
}

int KeyToFamily(const void* key, const void* family) {
   return Pedigree::CompareKeyToFamily(static_cast<PedigreeKey*>(const_cast<void*>(key)),
                                       static_cast<Family**>(const_cast<void*>(family)));
}

}  // namespace

bool Pedigree::sexAsCovariate = false;
String Pedigree::missing("-99.999");

Pedigree::Pedigree()
    : size(10000),
      count(0),
      persons(new Person*[10000]),
      familyCount(0),
      families(nullptr),
      haveTwins(0),
      multiPd(nullptr),
      multiFileCount(0) {}

Pedigree::~Pedigree() {
   DeleteFamilies();
   for (int i = 0; i < count; i++) delete persons[i];
   delete[] persons;
   delete[] multiPd;
}

void Pedigree::DeleteFamilies() {
   for (int i = 0; i < familyCount; i++) delete families[i];
   delete[] families;
   families = nullptr;
   familyCount = 0;
}

void Pedigree::Grow() {
   if (size > INT_MAX / 2) error("Out of memory");
   Person** grown = new (std::nothrow) Person*[size * 2];
   if (grown == nullptr) error("Out of memory");
   for (int i = 0; i < count; i++) grown[i] = persons[i];
   delete[] persons;
   persons = grown;
   size *= 2;
}

Person* Pedigree::NewPerson() {
   if (count == size) Grow();
   return persons[count++] = new Person;
}

void Pedigree::Add(Person& rhs) {
   NewPerson()->Copy(rhs);
}

void Pedigree::AddPerson(const char* famid, const char* pid, const char* fatid, const char* motid,
                         int sex, bool delaySort) {
   Person* p = NewPerson();
   p->famid = famid;
   p->pid = pid;
   p->fatid = fatid;
   p->motid = motid;
   p->sex = sex;
   if (!delaySort) Sort();
}

int Pedigree::ComparePersons(const Person** p1, const Person** p2) {
   int result = (*p1)->famid.SlowCompare((*p2)->famid);
   return result != 0 ? result : (*p1)->pid.SlowCompare((*p2)->pid);
}

int Pedigree::CompareParents(const Person** p1, const Person** p2) {
   int result = (*p1)->famid.SlowCompare((*p2)->famid);
   if (result == 0) result = (*p1)->fatid.SlowCompare((*p2)->fatid);
   return result != 0 ? result : (*p1)->motid.SlowCompare((*p2)->motid);
}

int Pedigree::CompareKeyToFamily(PedigreeKey* key, Family** f) {
   return String(key->famid).SlowCompare((*f)->famid);
}

int Pedigree::CompareKeyToPerson(PedigreeKey* key, Person** p) {
   int result = String(key->famid).SlowCompare((*p)->famid);
   return result != 0 ? result : String(key->pid).SlowCompare((*p)->pid);
}

Person* Pedigree::FindPerson(const char* famid, const char* pid) {
   return FindPerson(famid, pid, count);
}

Person* Pedigree::FindPerson(const char* famid, const char* pid, int within) {
   PedigreeKey key{famid, pid};
   void* found = BinarySearch(&key, persons, within, sizeof(Person*), KeyToPerson);
   return found == nullptr ? nullptr : *static_cast<Person**>(found);
}

Family* Pedigree::FindFamily(const char* famid) {
   PedigreeKey key{famid, nullptr};
   void* found = BinarySearch(&key, families, familyCount, sizeof(Family*), KeyToFamily);
   return found == nullptr ? nullptr : *static_cast<Family**>(found);
}

void Pedigree::Sort() {
   QuickSort(persons, count, sizeof(Person*), PersonsInOrder);
   haveTwins = 0;

   bool problems = false;
   for (int i = 1; i < count; i++) {
      if (ComparePersons(const_cast<const Person**>(&persons[i - 1]),
                         const_cast<const Person**>(&persons[i])) != 0)
         continue;
      printf("Family %s: Person %s is duplicated\n", (const char*)persons[i]->famid,
             (const char*)persons[i]->pid);
      problems = true;
      while (i + 1 < count && ComparePersons(const_cast<const Person**>(&persons[i]),
                                             const_cast<const Person**>(&persons[i + 1])) == 0)
         i++;
   }

   for (int i = 0; i < count; i++) {
      Person* p = persons[i];
      p->serial = i;
      p->father = FindPerson(p->famid, p->fatid);
      p->mother = FindPerson(p->famid, p->motid);
      if (!p->CheckParents()) problems = true;
      p->AssessStatus();
      haveTwins |= p->zygosity;
   }
   if (problems) error("Please correct problems with pedigree structure\n");

   MakeSibships();

   DeleteFamilies();
   std::vector<int> starts;
   for (int i = 0; i < count; i++)
      if (i == 0 || persons[i]->famid.SlowCompare(persons[i - 1]->famid) != 0) starts.push_back(i);
   families = new Family*[starts.size() > 0 ? starts.size() : 1];
   for (size_t f = 0; f < starts.size(); f++) {
      int last = f + 1 < starts.size() ? starts[f + 1] - 1 : count - 1;
      families[f] = new Family(*this, starts[f], last, static_cast<int>(f));
      familyCount = static_cast<int>(f) + 1;
   }
}

void Pedigree::MakeSibships() {
   std::vector<Person*> order(persons, persons + count);
   QuickSort(order.data(), count, sizeof(Person*), ParentsInOrder);
   for (int start = 0; start < count;) {
      Person* p = order[start];
      int end = start + 1;
      if (!p->hasBothParents) {
         start = end;
         continue;
      }
      while (end < count && order[end]->hasBothParents && order[end]->father == p->father &&
             order[end]->mother == p->mother)
         end++;
      std::shared_ptr<Person*[]> sibship(new Person*[end - start]);
      std::copy(order.data() + start, order.data() + end, sibship.get());
      for (int i = start; i < end; i++) order[i]->SetSibs(sibship, end - start);
      start = end;
   }
}

void Pedigree::Filter(IntArray& filter) {
   if (filter.Length() != count)
      error("Pedigree:Size of pedigree filter doesn't match number of persons in pedigree");
   for (int i = 0; i < count; i++)
      if (filter[i] == 1) {
         persons[i]->WipePhenotypes(true);
         persons[i]->filtered = true;
      }
}

void Pedigree::ExtractFamily(int family, Pedigree& out) {
   for (int i = families[family]->first; i <= families[family]->last; i++) out.Add(*persons[i]);
   out.Sort();
}

void Pedigree::ExtractOnAffection(int affection, Pedigree& out, int target) {
   for (int i = 0; i < count; i++) {
      Person* p = persons[i];
      p->MatchRegistry();
      if (p->affections[affection] == target) {
         out.Add(*p);
      } else {
         out.NewPerson()->CopyIDs(*p);
      }
   }
   out.Sort();
}

void Pedigree::WriteDataFile(FILE* output) {
   if (haveTwins) fprintf(output, " Z  Zygosity \n");
   for (int i = 0; i < markerCount; i++) fprintf(output, " M  %s \n", (const char*)markerNames[i]);
   for (int i = 0; i < traitCount; i++) fprintf(output, " T  %s \n", (const char*)traitNames[i]);
   for (int i = 0; i < affectionCount; i++)
      fprintf(output, " A  %s \n", (const char*)affectionNames[i]);
   for (int i = 0; i < covariateCount; i++)
      fprintf(output, " C  %s \n", (const char*)covariateNames[i]);
   fprintf(output, " E  END-OF-DATA \n");
}

void Pedigree::WriteDataFile(const char* filename) {
   FILE* output = fopen(filename, "wt");
   if (output == nullptr) error("Couldn't open data file %s", filename);
   WriteDataFile(output);
   fclose(output);
}

void Pedigree::WritePedigreeFile(FILE* output) {
   std::vector<MarkerInfo*> info(markerCount > 0 ? markerCount : 1);
   for (int i = 0; i < markerCount; i++) info[i] = GetMarkerInfo(i);
   for (int i = 0; i < count; i++) WriteRecodedPerson(output, i, info.data());
   fprintf(output, "end\n");
}

void Pedigree::WritePedigreeFile(const char* filename) {
   FILE* output = fopen(filename, "wt");
   if (output == nullptr) error("Couldn't open pedigree file %s", filename);
   WritePedigreeFile(output);
   fclose(output);
}

void Pedigree::WriteIdentifiers(FILE* output, Person& p, const char* famid, const char* pid,
                                const char* fatid, const char* motid) {
   p.MatchRegistry();
   fprintf(output, "%s\t%s\t%s\t%s\t%d\t", famid ? famid : (const char*)p.famid,
           pid ? pid : (const char*)p.pid, fatid ? fatid : (const char*)p.fatid,
           motid ? motid : (const char*)p.motid, p.sex);
   if (!haveTwins) return;
   if (p.zygosity == 0)
      fprintf(output, "0\t");
   else if (p.zygosity == 1)
      fprintf(output, "MZ\t");
   else if (p.zygosity == 2)
      fprintf(output, "DZ\t");
   else
      fprintf(output, "%d\t", p.zygosity);
}

void Pedigree::WritePhenotypes(FILE* output, Person& p) {
   for (int i = 0; i < traitCount; i++)
      if (p.traits[i] == MISSING_VALUE)
         fprintf(output, "x\t");
      else
         fprintf(output, "%.3f\t", p.traits[i]);
   for (int i = 0; i < affectionCount; i++)
      if (p.affections[i] == 0)
         fprintf(output, "x\t");
      else
         fprintf(output, "%d\t", p.affections[i]);
   for (int i = 0; i < covariateCount; i++)
      if (p.covariates[i] == MISSING_VALUE)
         fprintf(output, "x\t");
      else
         fprintf(output, "%.3f\t", p.covariates[i]);
   fprintf(output, "\n");
}

void Pedigree::WritePerson(FILE* output, int person, const char* famid, const char* pid,
                           const char* fatid, const char* motid) {
   Person& p = *persons[person];
   WriteIdentifiers(output, p, famid, pid, fatid, motid);
   const char* format = markerCount < 20 ? "%3d/%3d\t" : "%d/%d\t";
   for (int i = 0; i < markerCount; i++)
      fprintf(output, format, p.markers[i].one, p.markers[i].two);
   WritePhenotypes(output, p);
}

void Pedigree::WriteRecodedPerson(FILE* output, int person, MarkerInfo** info, const char* famid,
                                  const char* pid, const char* fatid, const char* motid) {
   Person& p = *persons[person];
   WriteIdentifiers(output, p, famid, pid, fatid, motid);
   const char* format = markerCount < 20 ? "%3s/%3s\t" : "%s/%s\t";
   for (int i = 0; i < markerCount; i++)
      fprintf(output, format, (const char*)info[i]->GetAlleleLabel(p.markers[i].one),
              (const char*)info[i]->GetAlleleLabel(p.markers[i].two));
   WritePhenotypes(output, p);
}

void Pedigree::ShowMemoryInfo() {
   double bytes = static_cast<double>(count) *
                  (affectionCount + 2.0 * markerCount + 8.0 * (traitCount + covariateCount) + 160);
   for (int i = 0; i < count; i++) {
      Person* p = persons[i];
      bytes += p->famid.Capacity() + p->pid.Capacity() + p->fatid.Capacity() + p->motid.Capacity();
   }
   printf("   %40s %s\n", "Pedigree file ...", (const char*)MemoryInfo(bytes));
}
