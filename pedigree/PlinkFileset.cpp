#include "pedigree/PlinkFileset.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "io/Error.h"
#include "pedigree/BiallelicCheck.h"
#include "pedigree/PedigreeGlobals.h"

namespace {

const char* const kSeparators = " \t\r\n";
const unsigned char kMagic[2] = {0x6c, 0x1b};
const unsigned char kMarkerMajor = 0x01;
const unsigned char kSampleMajor = 0x00;
const int kHeaderBytes = 3;

std::string Lower(const char* text) {
   std::string lower(text);
   for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
   return lower;
}

IFILE OpenText(const std::string& name) {
   IFILE input = ifopen(name.c_str(), "rb");
   if (input == nullptr)
      error("The file [%s] cannot be opened: %s\n", name.c_str(), strerror(errno));
   return input;
}

// Closes its file however reading ends (a program may turn fatal errors
// into exceptions, as the fuzz targets do).
struct ClosedAtEnd {
   IFILE file;
   ~ClosedAtEnd() {
      if (!(file == nullptr)) ifclose(file);
   }
};

void CheckReadToEnd(IFILE& input, const std::string& name) {
   if (iferror(input))
      error("The file [%s] could not be read to its end: %s\n", name.c_str(), ifstrerror(input));
}

bool IsNumber(const String& text, bool integer) {
   const char* start = text;
   char* end = nullptr;
   errno = 0;
   if (integer)
      (void)strtoll(start, &end, 10);
   else
      (void)strtod(start, &end);
   return end != start && *end == 0 && errno == 0;
}

// Person keys compared as the pedigree compares them.
struct KeyOrder {
   bool operator()(const std::pair<String, String>& a, const std::pair<String, String>& b) const {
      int result = a.first.SlowCompare(b.first);
      return result != 0 ? result < 0 : a.second.SlowCompare(b.second) < 0;
   }
};

bool NamesParent(const String& id) {
   return id.Compare("0") != 0;
}

}  // namespace

bool ReadPlinkChromosome(const char* code, PlinkChromosome& chromosome) {
   std::string name = Lower(code);
   if (name.compare(0, 3, "chr") == 0) name.erase(0, 3);
   if (name == "x" || name == "23")
      chromosome = PlinkChromosome::X;
   else if (name == "y" || name == "24")
      chromosome = PlinkChromosome::Y;
   else if (name == "xy" || name == "25")
      chromosome = PlinkChromosome::XY;
   else if (name == "mt" || name == "m" || name == "26")
      chromosome = PlinkChromosome::MT;
   else {
      // 0 (unplaced) and 1 to 22, written without leading zeros.
      if (name.empty() || name.size() > 2 || (name.size() == 2 && name[0] == '0')) return false;
      for (char c : name)
         if (c < '0' || c > '9') return false;
      if (atoi(name.c_str()) > 22) return false;
      chromosome = PlinkChromosome::AUTOSOME;
   }
   return true;
}

PlinkFileset::~PlinkFileset() {
   if (!(bim == nullptr)) ifclose(bim);
   if (bed != nullptr) fclose(bed);
}

long long PlinkFileset::MarkersOn(PlinkChromosome chromosome) const {
   return markersOn[static_cast<int>(chromosome)];
}

void PlinkFileset::Open(const std::string& prefix, int markers) {
   famName = prefix + ".fam";
   bimName = prefix + ".bim";
   bedName = prefix + ".bed";
   ReadFam();
   CountBim();
   CheckBed();
   long long chosen =
       markers > 0 ? markers : kGenotypesPerBlock / static_cast<long long>(persons.size());
   chosen = std::min<long long>(chosen, kMostMarkersPerBlock);
   chosen = std::min<long long>(chosen, markerCount);
   markersPerBlock = static_cast<int>(std::max<long long>(chosen, 1));
   bim = OpenText(bimName);
   bimLine = 0;
   nextMarker = 0;
}

void PlinkFileset::ReadFam() {
   ClosedAtEnd fam{OpenText(famName)};
   IFILE& input = fam.file;
   String line;
   StringArray fields;
   long long number = 0;
   persons.clear();
   while (!ifeof(input)) {
      line.ReadLine(input);
      number++;
      if (fields.ReplaceTokens(line, kSeparators) == 0) continue;
      if (fields.Length() != 6)
         error(
             "Line %lld of [%s] has %d fields; a .fam line has 6: family, person, father, mother, "
             "sex, phenotype\n",
             number, famName.c_str(), fields.Length());
      // Persons are counted in ints, and 4 to a byte of each marker.
      if (persons.size() >= static_cast<size_t>(INT_MAX - 3))
         error("The file [%s] lists more than %d persons\n", famName.c_str(), INT_MAX - 4);
      FamPerson person;
      person.famid = fields[0];
      person.pid = fields[1];
      person.fatid = fields[2];
      person.motid = fields[3];
      person.phenotype = fields[5];
      if (fields[4].Compare("1") == 0)
         person.sex = SEX_MALE;
      else if (fields[4].Compare("2") == 0)
         person.sex = SEX_FEMALE;
      else if (fields[4].Compare("0") == 0)
         person.sex = SEX_UNKNOWN;
      else
         error(
             "Line %lld of [%s] gives person %s the sex code %s; the codes are 1 (male), 2 "
             "(female) and 0 (unknown)\n",
             number, famName.c_str(), (const char*)person.pid, (const char*)fields[4]);
      persons.push_back(person);
   }
   CheckReadToEnd(input, famName);
   if (persons.empty()) error("The file [%s] lists no persons\n", famName.c_str());
   bytesPerMarker = static_cast<int>((persons.size() + 3) / 4);
}

bool PlinkFileset::ReadMarkerLine(BimMarker& marker, String& line, StringArray& fields) {
   while (!ifeof(bim)) {
      line.ReadLine(bim);
      bimLine++;
      if (fields.ReplaceTokens(line, kSeparators) == 0) continue;
      if (fields.Length() != 6)
         error(
             "Line %lld of [%s] has %d fields; a .bim line has 6: chromosome, marker, "
             "centimorgans, base pairs, allele 1, allele 2\n",
             bimLine, bimName.c_str(), fields.Length());
      if (!ReadPlinkChromosome(fields[0], marker.chromosome))
         error(
             "Line %lld of [%s] gives the chromosome code %s; the codes are 1-22, X (23), Y (24), "
             "XY (25), MT (26) and 0, also after chr\n",
             bimLine, bimName.c_str(), (const char*)fields[0]);
      marker.chromosomeCode = fields[0];
      marker.id = fields[1];
      for (int k : {2, 3})
         if (!IsNumber(fields[k], k == 3))
            error("Line %lld of [%s] gives marker %s the %s %s, which is not a number\n", bimLine,
                  bimName.c_str(), (const char*)marker.id,
                  k == 2 ? "centimorgan position" : "base-pair position", (const char*)fields[k]);
      marker.allele1 = fields[4];
      marker.allele2 = fields[5];
      if (marker.allele1.Compare(marker.allele2) == 0 && marker.allele1.Compare("0") != 0)
         error("Line %lld of [%s] gives marker %s the same allele twice: %s\n", bimLine,
               bimName.c_str(), (const char*)marker.id, (const char*)marker.allele1);
      return true;
   }
   CheckReadToEnd(bim, bimName);
   return false;
}

void PlinkFileset::CountBim() {
   bim = OpenText(bimName);
   bimLine = 0;
   markerCount = 0;
   std::fill(std::begin(markersOn), std::end(markersOn), 0);
   BimMarker marker;
   String line;
   StringArray fields;
   while (ReadMarkerLine(marker, line, fields)) {
      markerCount++;
      markersOn[static_cast<int>(marker.chromosome)]++;
   }
   ifclose(bim);
   bim = IFILE();
   if (markerCount == 0) error("The file [%s] lists no markers\n", bimName.c_str());
}

void PlinkFileset::CheckBed() {
   bed = fopen(bedName.c_str(), "rb");
   if (bed == nullptr)
      error("The file [%s] cannot be opened: %s\n", bedName.c_str(), strerror(errno));
   unsigned char header[kHeaderBytes];
   size_t got = fread(header, 1, kHeaderBytes, bed);
   if (got < 2 || header[0] != kMagic[0] || header[1] != kMagic[1])
      error(
          "The file [%s] is not a PLINK 1 .bed file: it does not begin with the bytes 0x6c 0x1b\n",
          bedName.c_str());
   if (got == 2)
      error("The file [%s] ends after its first two bytes, before its mode byte\n",
            bedName.c_str());
   if (header[2] == kSampleMajor)
      error(
          "The file [%s] is in the old sample-major layout (mode byte 0x00), which is not read\n"
          "Convert it to the marker-major layout first, e.g. with\n"
          "   plink --bfile PREFIX --make-bed --out NEWPREFIX\n",
          bedName.c_str());
   if (header[2] != kMarkerMajor)
      error("The file [%s] has the mode byte 0x%02x; a marker-major .bed file has 0x01\n",
            bedName.c_str(), header[2]);
   struct stat status;
   if (fstat(fileno(bed), &status) != 0)
      error("The file [%s] cannot be read: %s\n", bedName.c_str(), strerror(errno));
   long long size = static_cast<long long>(status.st_size);
   // At most 2^31 persons and 2^40 markers: the product cannot overflow.
   long long expected = kHeaderBytes + markerCount * bytesPerMarker;
   if (size != expected)
      error(
          "The file [%s] holds %lld bytes, but %d persons in [%s] and %lld markers in [%s] need "
          "exactly %lld (3 + %lld markers x %d bytes)\n",
          bedName.c_str(), size, static_cast<int>(persons.size()), famName.c_str(), markerCount,
          bimName.c_str(), expected, markerCount, bytesPerMarker);
}

bool PlinkFileset::ReadBlock() {
   blockStart = nextMarker;
   block.clear();
   if (nextMarker >= markerCount) return false;
   int size = static_cast<int>(std::min<long long>(markersPerBlock, markerCount - nextMarker));
   block.resize(size);
   String line;
   StringArray fields;
   for (int m = 0; m < size; m++)
      if (!ReadMarkerLine(block[m], line, fields))
         error("The file [%s] ended before its %lld markers were read again\n", bimName.c_str(),
               markerCount);
   bytes.resize(static_cast<size_t>(size) * bytesPerMarker);
   if (fread(bytes.data(), 1, bytes.size(), bed) != bytes.size())
      error("The file [%s] could not be read to its end: %s\n", bedName.c_str(),
            ferror(bed) ? strerror(errno) : "it is shorter than when it was opened");
   nextMarker += size;
   return true;
}

void PlinkFileset::SetCode(int marker, int person, int code) {
   unsigned char& byte = bytes[static_cast<size_t>(marker) * bytesPerMarker + person / 4];
   int shift = person % 4 * 2;
   byte = static_cast<unsigned char>((byte & ~(3 << shift)) | code << shift);
}

std::vector<PlinkFileset::AddedParent> PlinkFileset::BuildPedigree(Pedigree& ped,
                                                                   std::vector<Person*>& personOf) {
   // Slot names hold a blank, which no .bim marker name can.
   static int slotsMade = 0;
   firstSlot = PedigreeGlobals::markerCount;
   for (int s = 0; s < markersPerBlock; s++)
      PedigreeGlobals::GetMarkerID(("plink slot " + std::to_string(slotsMade++)).c_str());

   std::set<std::pair<String, String>, KeyOrder> known;
   for (const FamPerson& p : persons) known.insert({p.famid, p.pid});
   std::vector<AddedParent> added;
   std::vector<std::pair<String, String>> parents(persons.size());
   auto add = [&](const FamPerson& child, const String& pid, bool father, bool absent) {
      known.insert({child.famid, pid});
      added.push_back({child.famid, pid, child.pid, father, absent});
      ped.AddPerson(child.famid, pid, "0", "0", father ? SEX_MALE : SEX_FEMALE, true);
   };
   for (size_t i = 0; i < persons.size(); i++) {
      const FamPerson& p = persons[i];
      String fatid = p.fatid, motid = p.motid;
      bool namesFather = NamesParent(fatid), namesMother = NamesParent(motid);
      if (namesFather || namesMother)
         for (bool father : {true, false}) {
            String& id = father ? fatid : motid;
            if (NamesParent(id)) {
               if (known.count({p.famid, id}) == 0) add(p, id, father, true);
               continue;
            }
            // A name of its own, so that half-siblings are not made full ones.
            std::string base = (father ? "father_of_" : "mother_of_") + std::string(p.pid);
            id = base.c_str();
            for (int k = 2; known.count({p.famid, id}) != 0; k++)
               id = (base + "_" + std::to_string(k)).c_str();
            add(p, id, father, false);
         }
      parents[i] = {fatid, motid};
   }
   for (size_t i = 0; i < persons.size(); i++) {
      const FamPerson& p = persons[i];
      ped.AddPerson(p.famid, p.pid, parents[i].first, parents[i].second, p.sex, true);
   }
   ped.Sort();
   personOf.resize(persons.size());
   for (size_t i = 0; i < persons.size(); i++)
      personOf[i] = ped.FindPerson(persons[i].famid, persons[i].pid);
   return added;
}

void PlinkFileset::NameBlock() {
   genotypes.assign(static_cast<size_t>(BlockSize()) * 4, Alleles());
   unknownAlleles.assign(BlockSize(), 0);
   for (int m = 0; m < BlockSize(); m++) {
      const BimMarker& marker = block[m];
      int slot = firstSlot + m;
      PedigreeGlobals::RenameMarker(slot, marker.id);
      MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(slot);
      info->chromosomeName = marker.chromosomeCode;
      int one = marker.allele1.Compare("0") == 0 ? 0 : info->NewAllele(marker.allele1);
      int two = marker.allele2.Compare("0") == 0 ? 0 : info->NewAllele(marker.allele2);
      Alleles* table = &genotypes[static_cast<size_t>(m) * 4];
      if (one != 0)
         table[HOMOZYGOUS_1] =
             Alleles{static_cast<unsigned char>(one), static_cast<unsigned char>(one)};
      if (two != 0)
         table[HOMOZYGOUS_2] =
             Alleles{static_cast<unsigned char>(two), static_cast<unsigned char>(two)};
      if (one != 0 && two != 0)
         table[HETEROZYGOUS] =
             Alleles{static_cast<unsigned char>(one), static_cast<unsigned char>(two)};
      unknownAlleles[m] = (one == 0 ? BiallelicCheck::UNKNOWN_ALLELE_1 : 0) |
                          (two == 0 ? BiallelicCheck::UNKNOWN_ALLELE_2 : 0);
   }
}

void PlinkFileset::LoadBlock(const std::vector<Person*>& personOf) {
   NameBlock();
   for (int m = 0; m < BlockSize(); m++)
      for (size_t i = 0; i < personOf.size(); i++)
         personOf[i]->markers[firstSlot + m] = Genotype(m, static_cast<int>(i));
}
