#include "Fileset.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "io/Error.h"
#include "pedigree/BiallelicCheck.h"
#include "pedigree/PedigreeAlleleFreq.h"

namespace {

const char* ParentWord(bool father) {
   return father ? "father" : "mother";
}

constexpr long kMostPairsHeld = 1 << 18;

bool PassedOver(PlinkChromosome chromosome) {
   return chromosome == PlinkChromosome::Y || chromosome == PlinkChromosome::MT;
}

}  // namespace

void LoadFilesetPedigree(PlinkFileset& fileset, Pedigree& ped, std::vector<Person*>& personOf,
                         LoadWarnings& warnings) {
   std::vector<PlinkFileset::AddedParent> added = fileset.BuildPedigree(ped, personOf);
   for (const PlinkFileset::AddedParent& parent : added)
      if (parent.absent)
         printf(
             "Warning: Person %s in Family %s names the %s %s, absent from [%s]: added untyped\n",
             (const char*)parent.child, (const char*)parent.famid, ParentWord(parent.father),
             (const char*)parent.pid, fileset.FamName().c_str());
      else
         printf(
             "Warning: Person %s in Family %s names one parent only: the %s added untyped as %s\n",
             (const char*)parent.child, (const char*)parent.famid, ParentWord(parent.father),
             (const char*)parent.pid);
   warnings.addedParents = static_cast<int>(added.size());
   warnings.markersPassedOver =
       fileset.MarkersOn(PlinkChromosome::Y) + fileset.MarkersOn(PlinkChromosome::MT);
}

void PrintFilesetMarkers(const PlinkFileset& fileset) {
   printf("\nMarkers: %lld, read %d at a time\n", fileset.MarkerCount(), fileset.MarkersPerBlock());
   printf("   Autosomes and unplaced (1-22, 0) : %lld\n",
          fileset.MarkersOn(PlinkChromosome::AUTOSOME));
   printf("   X, X-linked rules                : %lld\n", fileset.MarkersOn(PlinkChromosome::X));
   printf("   XY, autosomal rules              : %lld\n", fileset.MarkersOn(PlinkChromosome::XY));
   printf("   Y and MT, passed over            : %lld\n",
          fileset.MarkersOn(PlinkChromosome::Y) + fileset.MarkersOn(PlinkChromosome::MT));
}

long long CheckFileset(PlinkFileset& fileset, Pedigree& ped, const std::vector<Person*>& personOf,
                       Findings& findings, FILE* mendel, FILE* blanked, FILE* freq, int estimator) {
   // The .fam line of each person of the pedigree; -1 for the parents added.
   std::vector<int> famLine(ped.count, -1);
   for (size_t i = 0; i < personOf.size(); i++) famLine[personOf[i]->serial] = static_cast<int>(i);
   int firstSlot = fileset.FirstSlot();
   bool anyError = false;
   long long removed = 0;
   findings.markerTotal = fileset.MarkerCount();
   // Findings wait in memory until flushed, up to one per family and marker:
   // a block is checked a few markers at a time, so that they stay bounded
   // even where nearly every family is inconsistent at every marker.
   int markersPerCheck =
       static_cast<int>(std::max(1L, std::min(64L, kMostPairsHeld / std::max(1, ped.familyCount))));
   // The library's check sees only the families and markers the biallelic
   // check leaves unsure, and only their genotypes are stored in the slots
   // (everyone's when frequencies are estimated): those of other families
   // may be a block behind, as nothing reads them.
   BiallelicCheck fast(ped, famLine);
   ped.observer = &findings;
   while (fileset.ReadBlock()) {
      if (freq != nullptr) {
         fileset.LoadBlock(personOf);
         for (int m = 0; m < fileset.BlockSize(); m++) {
            PedigreeGlobals::chromosomeX = fileset.BlockMarker(m).chromosome == PlinkChromosome::X;
            EstimateFrequencies(ped, firstSlot + m, estimator);
            PedigreeGlobals::WriteMarkerFrequencies(freq, ped.GetMarkerInfo(firstSlot + m), false);
         }
      } else
         fileset.NameBlock();
      findings.markerBase = fileset.BlockStart() - firstSlot;
      // Runs of markers under one rule set, in the order of the .bim.
      for (int first = 0, end; first < fileset.BlockSize(); first = end) {
         PlinkChromosome chromosome = fileset.BlockMarker(first).chromosome;
         bool x = chromosome == PlinkChromosome::X, skip = PassedOver(chromosome);
         for (end = first + 1; end < fileset.BlockSize(); end++) {
            PlinkChromosome next = fileset.BlockMarker(end).chromosome;
            if ((next == PlinkChromosome::X) != x || PassedOver(next) != skip) break;
         }
         if (skip) continue;
         PedigreeGlobals::chromosomeX = x;
         fast.Check(fileset.BlockBytes() + static_cast<size_t>(first) * fileset.BytesPerMarker(),
                    fileset.BytesPerMarker(), end - first, x, fileset.UnknownAlleles() + first);
         for (int from = first, to; from < end; from = to) {
            to = std::min(end, from + markersPerCheck);
            for (int m = from; m < to; m++)
               for (int f : fast.Unsure(m - first)) {
                  const Family& family = *ped.families[f];
                  for (int i = family.first; i <= family.last; i++)
                     if (famLine[i] >= 0)
                        ped.persons[i]->markers[firstSlot + m] = fileset.Genotype(m, famLine[i]);
                  findings.SaveFamilyGenotypes(f, firstSlot + m);
               }
            anyError |= ped.CheckMarkers(firstSlot + from, firstSlot + to,
                                         [&](int slot) -> const std::vector<int>& {
                                            return fast.Unsure(slot - firstSlot - first);
                                         });
            findings.FindCulprits(firstSlot + from, firstSlot + to,
                                  [&](int family, int slot, std::vector<int>& culprits) {
                                     return fast.Culprits(family, slot - firstSlot - first,
                                                          culprits);
                                  });
            if (blanked != nullptr)
               for (auto& [key, pair] : findings.pairs)
                  if (pair.culprits.size() == 1) {
                     fileset.SetCode(key.first - firstSlot, famLine[pair.culprits[0]],
                                     PlinkFileset::MISSING);
                     removed++;
                  }
            findings.Flush(mendel);
         }
      }
      PedigreeGlobals::chromosomeX = false;
      if (blanked != nullptr) fwrite(fileset.BlockBytes(), 1, fileset.BlockByteCount(), blanked);
   }
   ped.observer = nullptr;
   if (anyError) puts("\nMendelian inheritance errors detected");
   return removed;
}

void CopyFile(const std::string& name, FILE* output) {
   FILE* input = fopen(name.c_str(), "rb");
   if (input == nullptr)
      error("The file [%s] cannot be opened: %s\n", name.c_str(), strerror(errno));
   char chunk[1 << 16];
   for (size_t n; (n = fread(chunk, 1, sizeof chunk, input)) > 0;) fwrite(chunk, 1, n, output);
   if (ferror(input)) error("The file [%s] could not be read: %s\n", name.c_str(), strerror(errno));
   fclose(input);
}
