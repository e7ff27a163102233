#include "pedigree/PedigreePerson.h"

#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "io/Error.h"

namespace {

template <class T>
void GrowArray(T*& items, int& slots, int wanted, T fill) {
   if (wanted <= slots) return;
   T* grown = new T[wanted];
   for (int i = 0; i < slots; i++) grown[i] = items[i];
   for (int i = slots; i < wanted; i++) grown[i] = fill;
   delete[] items;
   items = grown;
   slots = wanted;
}

}  // namespace

Person::Person()
    : sex(0),
      zygosity(0),
      serial(-1),
      traverse(-1),
      markers(nullptr),
      traits(nullptr),
      affections(nullptr),
      covariates(nullptr),
      father(nullptr),
      mother(nullptr),
      sibCount(0),
      sibs(nullptr),
      ngeno(0),
      filtered(false),
      hasAllCovariates(false),
      hasAllTraits(false),
      hasAllAffections(false),
      hasBothParents(false),
      markerSlots(0),
      traitSlots(0),
      affectionSlots(0),
      covariateSlots(0) {
   MatchRegistry();
}

Person::~Person() {
   delete[] markers;
   delete[] traits;
   delete[] affections;
   delete[] covariates;
}

void Person::MatchRegistry() {
   GrowArray(markers, markerSlots, markerCount, Alleles());
   GrowArray(traits, traitSlots, traitCount, MISSING_VALUE);
   GrowArray(affections, affectionSlots, affectionCount, static_cast<unsigned char>(0));
   GrowArray(covariates, covariateSlots, covariateCount, MISSING_VALUE);
}

bool Person::CheckParents() {
   if (father != nullptr && mother != nullptr) {
      hasBothParents = true;
      if (father->sex == SEX_FEMALE || mother->sex == SEX_MALE) {
         Person* swap = father;
         father = mother;
         mother = swap;
         fatid.Swap(motid);
      }
      if (father->sex == SEX_FEMALE || mother->sex == SEX_MALE) {
         printf("Parental sex codes don't make sense for Person %s in Family %s\n",
                (const char*)pid, (const char*)famid);
         return false;
      }
      return true;
   }
   hasBothParents = false;
   if (father != nullptr || mother != nullptr) {
      printf("Parent named %s for Person %s in Family %s is missing\n",
             father == nullptr ? (const char*)fatid : (const char*)motid, (const char*)pid,
             (const char*)famid);
      return false;
   }
   return true;
}

void Person::AssessStatus() {
   MatchRegistry();
   hasBothParents = father != nullptr && mother != nullptr;
   ngeno = GenotypedMarkers();
   hasAllTraits = hasAllAffections = hasAllCovariates = true;
   for (int i = 0; i < traitCount; i++)
      if (traits[i] == MISSING_VALUE) hasAllTraits = false;
   for (int i = 0; i < covariateCount; i++)
      if (covariates[i] == MISSING_VALUE) hasAllCovariates = false;
   for (int i = 0; i < affectionCount; i++)
      if (affections[i] == 0) hasAllAffections = false;
}

bool Person::isAncestor(Person* other) {
   // Each ancestor is asked about once: inbred pedigrees would otherwise make
   // the question exponential in their depth.
   std::vector<Person*> pending{other};
   std::unordered_set<Person*> seen{other};
   while (!pending.empty()) {
      Person* candidate = pending.back();
      pending.pop_back();
      if (traverse > candidate->traverse) continue;
      if (serial == candidate->serial) return true;
      if (!candidate->hasBothParents) continue;
      for (Person* parent : {candidate->father, candidate->mother})
         if (parent != nullptr && seen.insert(parent).second) pending.push_back(parent);
   }
   return false;
}

bool Person::haveData() {
   if (ngeno) return true;
   for (int i = 0; i < affectionCount && i < affectionSlots; i++)
      if (affections[i]) return true;
   for (int i = 0; i < traitCount && i < traitSlots; i++)
      if (traits[i] != MISSING_VALUE) return true;
   return false;
}

int Person::GenotypedMarkers() {
   int typed = 0;
   for (int i = 0; i < markerCount && i < markerSlots; i++)
      if (markers[i].isKnown()) typed++;
   return typed;
}

void Person::WipePhenotypes(bool removeGenotypes) {
   MatchRegistry();
   for (int i = 0; i < traitCount; i++) traits[i] = MISSING_VALUE;
   for (int i = 0; i < covariateCount; i++) covariates[i] = MISSING_VALUE;
   for (int i = 0; i < affectionCount; i++) affections[i] = 0;
   if (!removeGenotypes) return;
   for (int i = 0; i < markerCount; i++) markers[i] = Alleles();
   ngeno = 0;
}

void Person::CopyIDs(Person& rhs) {
   famid = rhs.famid;
   pid = rhs.pid;
   fatid = rhs.fatid;
   motid = rhs.motid;
   sex = rhs.sex;
   zygosity = rhs.zygosity;
}

void Person::Copy(Person& rhs) {
   CopyIDs(rhs);
   MatchRegistry();
   for (int i = 0; i < rhs.markerSlots; i++) markers[i] = rhs.markers[i];
   for (int i = 0; i < rhs.traitSlots; i++) traits[i] = rhs.traits[i];
   for (int i = 0; i < rhs.affectionSlots; i++) affections[i] = rhs.affections[i];
   for (int i = 0; i < rhs.covariateSlots; i++) covariates[i] = rhs.covariates[i];
   ngeno = rhs.ngeno;
}

void Person::Order(Person*& a, Person*& b) {
   if (a->traverse > b->traverse) {
      Person* swap = a;
      a = b;
      b = swap;
   }
}

void Person::SetSibs(const std::shared_ptr<Person*[]>& members, int count) {
   sibship = members;
   sibs = members.get();
   sibCount = count;
}
