// PlinkFileset: a PLINK 1 binary fileset, PREFIX.fam (persons), PREFIX.bim
// (markers) and PREFIX.bed (genotypes, marker by marker), read as a pedigree
// check needs it.
//
// Open reads the .fam whole, reads the .bim through once to check it and
// count its markers, and checks the .bed's magic bytes and size against both
// counts. The markers and their genotypes are then read block by block, a
// fixed number of markers at a time, each block replacing the one before:
// memory follows persons x block, never the number of markers.
//
// A pedigree built from the fileset (BuildPedigree) holds the persons of the
// .fam, plus an untyped parent for each parent a person names that the .fam
// lacks, and for the other parent of a person that names one only. Its
// marker IDs are a fixed set of slots, renamed after each block's markers by
// LoadBlock; the block is then checked with Pedigree::CheckMarkers.
//
// Every fault in the files is fatal through `error`, naming the file, and the
// line of a .fam or .bim.
#ifndef LOCI_PEDIGREE_PLINKFILESET_H
#define LOCI_PEDIGREE_PLINKFILESET_H

#include <cstdio>
#include <string>
#include <vector>

#include "base/StringArray.h"
#include "base/StringBasics.h"
#include "io/InputFile.h"
#include "pedigree/Pedigree.h"

// What a .bim's chromosome code names; `AUTOSOME` also for unplaced (0).
enum class PlinkChromosome { AUTOSOME, X, Y, XY, MT };

// The chromosome of a .bim code: 1-22, X or 23, Y or 24, XY or 25, MT or 26,
// 0 (unplaced), each also after "chr", in any case. False for any other code.
bool ReadPlinkChromosome(const char* code, PlinkChromosome& chromosome);

class PlinkFileset {
public:
   // The 2-bit genotype codes of a .bed.
   static constexpr int HOMOZYGOUS_1 = 0;
   static constexpr int MISSING = 1;
   static constexpr int HETEROZYGOUS = 2;
   static constexpr int HOMOZYGOUS_2 = 3;
   // Blocks hold about this many genotypes, and at most kMostMarkersPerBlock
   // markers.
   static constexpr long long kGenotypesPerBlock = 1 << 24;
   static constexpr int kMostMarkersPerBlock = 4096;

   struct FamPerson {
      String famid, pid, fatid, motid;  // "0": no parent
      int sex;                          // SEX_UNKNOWN, SEX_MALE or SEX_FEMALE
      String phenotype;                 // as written
   };
   struct BimMarker {
      String chromosomeCode;  // as written
      PlinkChromosome chromosome;
      String id;
      String allele1, allele2;  // "0": unknown
   };
   // A parent added to the pedigree: one the child names and the .fam lacks
   // (`absent`), or the other parent of a child that names one only.
   struct AddedParent {
      String famid, pid, child;
      bool father;
      bool absent;
   };

   PlinkFileset() = default;
   ~PlinkFileset();
   PlinkFileset(const PlinkFileset&) = delete;
   PlinkFileset& operator=(const PlinkFileset&) = delete;

   // Opens PREFIX.fam, PREFIX.bim and PREFIX.bed; `markersPerBlock` 0 picks
   // the block size from the number of persons. Fatal on any fault.
   void Open(const std::string& prefix, int markersPerBlock = 0);

   const std::string& FamName() const { return famName; }
   const std::string& BimName() const { return bimName; }
   const std::string& BedName() const { return bedName; }
   const std::vector<FamPerson>& Persons() const { return persons; }
   long long MarkerCount() const { return markerCount; }
   // The .bim's markers on each kind of chromosome.
   long long MarkersOn(PlinkChromosome chromosome) const;
   int MarkersPerBlock() const { return markersPerBlock; }
   int BytesPerMarker() const { return bytesPerMarker; }

   // Reads the next block of markers and genotypes; false after the last.
   bool ReadBlock();
   long long BlockStart() const { return blockStart; }
   int BlockSize() const { return static_cast<int>(block.size()); }
   const BimMarker& BlockMarker(int marker) const { return block[marker]; }
   // The genotype code of a person (in .fam order) at a marker of the block.
   int Code(int marker, int person) const {
      return bytes[static_cast<size_t>(marker) * bytesPerMarker + person / 4] >> (person % 4 * 2) &
             3;
   }
   void SetCode(int marker, int person, int code);
   // The block's genotypes as the .bed holds them, marker after marker.
   const unsigned char* BlockBytes() const { return bytes.data(); }
   size_t BlockByteCount() const { return block.size() * static_cast<size_t>(bytesPerMarker); }

   // Registers MarkersPerBlock marker slots, then fills `ped` (which must be
   // empty) with the persons of the .fam and the parents they lack, and
   // sorts it (structural problems are fatal as for any pedigree file).
   // `personOf` receives each .fam person's place in the sorted pedigree.
   std::vector<AddedParent> BuildPedigree(Pedigree& ped, std::vector<Person*>& personOf);
   // The first marker slot: the block's markers are slots FirstSlot() ..
   // FirstSlot() + BlockSize() - 1.
   int FirstSlot() const { return firstSlot; }
   // Renames the slots after the block's markers, labels their alleles (allele
   // 1 first) and stores every .fam person's genotypes; a genotype with an
   // unknown allele ("0") is missing. Heterozygotes are stored allele 1 first.
   void LoadBlock(const std::vector<Person*>& personOf);
   // The same without storing genotypes: those of the persons a check needs
   // are stored with Genotype afterwards.
   void NameBlock();
   // A person's genotype at a marker of the block as LoadBlock stores it;
   // valid after LoadBlock or NameBlock.
   Alleles Genotype(int marker, int person) const {
      return genotypes[marker * 4 + Code(marker, person)];
   }
   // Per marker of the block, BiallelicCheck's flags of the alleles the .bim
   // gives as unknown ("0"); valid after LoadBlock or NameBlock.
   const unsigned char* UnknownAlleles() const { return unknownAlleles.data(); }

private:
   void ReadFam();
   void CountBim();
   void CheckBed();
   bool ReadMarkerLine(BimMarker& marker, String& line, StringArray& fields);

   std::string famName, bimName, bedName;
   std::vector<FamPerson> persons;
   long long markerCount = 0;
   long long markersOn[5] = {0, 0, 0, 0, 0};
   int markersPerBlock = 0;
   int bytesPerMarker = 0;
   int firstSlot = -1;

   IFILE bim;
   long long bimLine = 0;
   FILE* bed = nullptr;
   long long blockStart = 0;
   long long nextMarker = 0;
   std::vector<BimMarker> block;
   std::vector<unsigned char> bytes;
   std::vector<Alleles> genotypes;  // by marker and code
   std::vector<unsigned char> unknownAlleles;
};

#endif
