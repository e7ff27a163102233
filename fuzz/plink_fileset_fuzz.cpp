// What ped_qc --bfile reads: a PLINK fileset's .fam, .bim and .bed together,
// the pedigree built from the .fam, every block of markers checked.
//
// Input: one byte choosing the markers per block (1 to 8), then the .fam text,
// the byte 0x1e, the .bim text, the byte 0x1e, and the .bed bytes (the rest,
// any bytes).
//
// Properties beyond "no crash": the library's check reports a family at a
// marker only where the biallelic check left it unsure, and the culprits the
// biallelic check names are those Pedigree::CheckFamilyMarker finds.
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/PedigreeFuzz.h"
#include "pedigree/BiallelicCheck.h"
#include "pedigree/Pedigree.h"
#include "pedigree/PlinkFileset.h"

namespace {

struct Reported : CheckObserver {
   std::set<std::pair<int, int>> pairs;  // marker, family
   void Report(const CheckReport& report) override { pairs.insert({report.marker, report.family}); }
};

void Check(const std::string& prefix, int markersPerBlock) {
   PlinkFileset fileset;
   fileset.Open(prefix, markersPerBlock);
   Pedigree ped;
   std::vector<Person*> personOf;
   fileset.BuildPedigree(ped, personOf);
   std::vector<int> columnOf(ped.count, -1);
   for (size_t i = 0; i < personOf.size(); i++) columnOf[personOf[i]->serial] = static_cast<int>(i);
   BiallelicCheck fast(ped, columnOf);
   Reported reported;
   ped.observer = &reported;
   while (fileset.ReadBlock()) {
      fileset.LoadBlock(personOf);
      for (int m = 0; m < fileset.BlockSize(); m++) {
         PlinkChromosome chromosome = fileset.BlockMarker(m).chromosome;
         if (chromosome == PlinkChromosome::Y || chromosome == PlinkChromosome::MT) continue;
         bool x = chromosome == PlinkChromosome::X;
         fast.Check(fileset.BlockBytes() + static_cast<size_t>(m) * fileset.BytesPerMarker(),
                    fileset.BytesPerMarker(), 1, x, fileset.UnknownAlleles() + m);
         PedigreeGlobals::chromosomeX = x;
         int slot = fileset.FirstSlot() + m;
         reported.pairs.clear();
         ped.CheckMarkers(slot, slot + 1);
         std::set<int> unsure(fast.Unsure(0).begin(), fast.Unsure(0).end());
         for (const auto& [marker, family] : reported.pairs) LOCI_FUZZ_CHECK(unsure.count(family));
         fileset.LoadBlock(personOf);  // as read, before the X-linked check untyped anyone
         for (const auto& [marker, f] : reported.pairs) {
            std::vector<int> culprits, expected;
            if (!fast.Culprits(f, 0, culprits)) continue;
            for (int i = ped.families[f]->first; i <= ped.families[f]->last; i++) {
               Alleles& g = ped.persons[i]->markers[slot];
               Alleles kept = g;
               g = Alleles();
               if (kept.isKnown() && ped.CheckFamilyMarker(f, slot)) expected.push_back(i);
               g = kept;
            }
            LOCI_FUZZ_CHECK(culprits == expected);
         }
      }
   }
   ped.observer = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   testsupport::TempDir& dir = testsupport::FuzzScratch();
   if (size == 0) return 0;
   std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
   std::string files[3];
   for (int i = 0; i < 2; i++) {
      size_t cut = rest.find('\x1e');
      files[i] = rest.substr(0, cut);
      rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
   }
   files[2] = rest;
   const char* suffixes[3] = {".fam", ".bim", ".bed"};
   for (int i = 0; i < 3; i++) dir.Write(std::string("fileset") + suffixes[i], files[i]);
   testsupport::ResetLineEndMemory();
   try {
      Check(dir.File("fileset"), 1 + data[0] % 8);
   } catch (const testsupport::Fatal&) {
   }
   LOCI_FUZZ_CHECK(String::caseSensitive);
   pedfuzz::ClearRegistry();
   return 0;
}
