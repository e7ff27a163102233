#include "pedigree/PedigreeGlobals.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/Sort.h"
#include "io/Error.h"

int MarkerInfo::count = 0;

int PedigreeGlobals::traitCount = 0;
int PedigreeGlobals::affectionCount = 0;
int PedigreeGlobals::covariateCount = 0;
int PedigreeGlobals::markerCount = 0;
bool PedigreeGlobals::chromosomeX = false;
bool PedigreeGlobals::sexSpecificMap = false;
StringArray PedigreeGlobals::traitNames;
StringArray PedigreeGlobals::markerNames;
StringArray PedigreeGlobals::covariateNames;
StringArray PedigreeGlobals::affectionNames;
StringIntHash PedigreeGlobals::markerLookup(32);
StringIntHash PedigreeGlobals::traitLookup(32);
StringIntHash PedigreeGlobals::affectionLookup(32);
StringIntHash PedigreeGlobals::covariateLookup(32);
MarkerInfo** PedigreeGlobals::markerInfo = nullptr;
int PedigreeGlobals::markerInfoCount = 0;
int PedigreeGlobals::markerInfoSize = 0;
MarkerInfo** PedigreeGlobals::markerInfoByInteger = nullptr;
StringHash PedigreeGlobals::markerInfoByName(32);
int PedigreeGlobals::instanceCount = 0;

namespace {

const char* const kSeparators = " \t\n\r\f";

// Larger allele numbers are read as missing.
const int kLargestAlleleNumber = 1000000;
const int kMostAlleles = 254;
// The record arrays double; they stop before the doubling overflows.
const int kMostSlots = 1 << 30;

// An object of a derived class may outlive the tables above (a global of
// another translation unit is destroyed after them at exit): its destructor
// must not release records into destroyed tables. This object is built after
// the tables, so it is destroyed before them.
bool registryDestroyed = false;
struct RegistryLifetime {
   RegistryLifetime() { registryDestroyed = false; }
   ~RegistryLifetime() { registryDestroyed = true; }
} registryLifetime;

const char* kThreeFieldMap =
    "Error reading map file\nEach line in this file should include 3 fields:\n"
    "CHROMOSOME, MARKER_NAME, and POSITION\nHowever the following line has %d fields\n%s\n";
const char* kFiveFieldMap =
    "Error reading map file\nEach line in this file should include 5 fields:\n\n"
    "CHROMOSOME, MARKER_NAME, SEX_AVERAGED_POS, FEMALE_POS AND MALE_POS\n\n"
    "However the following line has %d fields\n%s\n";

// Copies the first `used` pointers into a new array of `size`, the rest null.
MarkerInfo** Resized(MarkerInfo** old, int used, int size) {
   MarkerInfo** fresh = new MarkerInfo*[size];
   for (int i = 0; i < size; i++) fresh[i] = i < used ? old[i] : nullptr;
   delete[] old;
   return fresh;
}

void CheckMarkerID(int markerID) {
   if (markerID < 0 || markerID >= PedigreeGlobals::markerCount)
      error("Attempted to retrieve MarkerInfo using out-of-bounds index\n");
}

int RegisterName(const char* name, StringArray& names, StringIntHash& lookup, int& count) {
   String key(name);
   int slot = lookup.Find(key);
   if (slot >= 0) return lookup.ValueAt(slot);
   lookup.Add(key, count);
   names.Add(key);
   return count++;
}

// The records are released with the index and the name table that point at
// them, so that the registry hands out fresh records afterwards.
void ReleaseMarkerInfo() {
   for (int i = 0; i < PedigreeGlobals::markerInfoCount; i++) delete PedigreeGlobals::markerInfo[i];
   delete[] PedigreeGlobals::markerInfo;
   PedigreeGlobals::markerInfo = nullptr;
   PedigreeGlobals::markerInfoCount = PedigreeGlobals::markerInfoSize = 0;
   PedigreeGlobals::markerInfoByName.Clear();
   // IDs outlive the records, so the index keeps its length.
   for (int i = 0; i < PedigreeGlobals::markerCount; i++)
      PedigreeGlobals::markerInfoByInteger[i] = nullptr;
}

// 1: a digit 1 to 9; 2: a nucleotide letter; 0: anything else, '0' included.
int AlleleClass(char c) {
   if (c >= '1' && c <= '9') return 1;
   if (c != 0 && strchr("ACGTacgt", c) != nullptr) return 2;
   return 0;
}

bool IsDigit(char c) {
   return c >= '0' && c <= '9';
}

bool MatchesAny(const String& token, std::initializer_list<const char*> names) {
   for (const char* name : names)
      if (token.Compare(name) == 0) return true;
   return false;
}

// The comparisons follow the global case switch, turned off for them alone.
bool IsMapHeader(const StringArray& tokens, std::initializer_list<const char*> positionNames) {
   bool saved = String::caseSensitive;
   String::caseSensitive = false;
   bool header = MatchesAny(tokens[0], {"CHR", "CHROMOSOME"}) &&
                 MatchesAny(tokens[1], {"MARKER", "MARKER_NAME", "MRK"}) &&
                 MatchesAny(tokens[2], positionNames);
   String::caseSensitive = saved;
   return header;
}

int ReadChromosome(const String& token) {
   if (token[0] == 'x' || token[0] == 'X') return 999;
   long chromosome = strtol(token, nullptr, 10);
   // Pinned, not wrapped into some other chromosome's number.
   if (chromosome > INT_MAX) return INT_MAX;
   if (chromosome < INT_MIN) return INT_MIN;
   return static_cast<int>(chromosome);
}

double ReadSexSpecificPosition(const String& token, const String& marker, const char* sex) {
   const char* text = token;
   char* end = nullptr;
   double cM = strtod(text, &end);
   if (end != text + token.Length())
      error("In the map file, the %s cM position for marker\n%s is %s. This is not a valid number.",
            sex, static_cast<const char*>(marker), text);
   return cM / 100.0;
}

int CompareRecords(const void* a, const void* b) {
   return MarkerInfo::ComparePosition(static_cast<MarkerInfo**>(const_cast<void*>(a)),
                                      static_cast<MarkerInfo**>(const_cast<void*>(b)));
}

void SortByPosition(std::vector<MarkerInfo*>& records) {
   QuickSort(records.data(), records.size(), sizeof(MarkerInfo*), CompareRecords);
}

// The records of the listed markers (every marker when the list is empty,
// which is then filled in) that are placed on a map; the IDs of the others go
// to `unplaced`.
std::vector<MarkerInfo*> PlacedRecords(IntArray& markers, IntArray& unplaced) {
   if (markers.Length() == 0) {
      markers.Dimension(PedigreeGlobals::markerCount);
      markers.SetSequence(0, 1);
   }
   std::vector<MarkerInfo*> placed;
   for (int i = 0; i < markers.Length(); i++) {
      MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(markers[i]);
      if (info->chromosome != -1)
         placed.push_back(info);
      else
         unplaced.Append(markers[i]);
   }
   SortByPosition(placed);
   return placed;
}

void CheckReadToEnd(IFILE& input, const char* what, const char* filename) {
   if (iferror(input))
      error("%s [%s] could not be read to its end: %s\n", what, filename, ifstrerror(input));
}

// Buffered data may fail to reach the disk only when the file is closed.
void FinishWriting(FILE* output, const char* what, const char* filename) {
   bool failed = ferror(output) != 0;
   if (fclose(output) != 0) failed = true;
   if (failed) error("Writing %s \"%s\" failed: %s\n", what, filename, strerror(errno));
}

}  // namespace

// ---------------------------------------------------------------- MarkerInfo

MarkerInfo::MarkerInfo(const String& markerName)
    : chromosome(-1),
      position(0.0),
      positionMale(0.0),
      positionFemale(0.0),
      name(markerName),
      alleleNumbers(32),
      serial(count++) {}

int MarkerInfo::NewAllele(const String& label) {
   if (alleleLabels.Length() == 0) alleleLabels.Add(String());
   if (alleleLabels.Length() > kMostAlleles)
      error("Marker %s has more than 254 distinct alleles\n", static_cast<const char*>(name));
   int allele = alleleLabels.Length();
   alleleNumbers.Add(label, allele);
   alleleLabels.Add(label);
   return allele;
}

void MarkerInfo::IndexAlleles() {
   if (alleleLabels.Length() > kMostAlleles + 1)
      error("Marker %s has more than 254 distinct alleles\n", static_cast<const char*>(name));
   alleleNumbers.Clear();
   for (int allele = 1; allele < alleleLabels.Length(); allele++)
      alleleNumbers.Add(alleleLabels[allele], allele);
}

String MarkerInfo::GetAlleleLabel(int allele) {
   if (allele < 0 || allele > kMostAlleles)
      error("Marker %s has no allele numbered %d\n", static_cast<const char*>(name), allele);
   if (allele >= alleleLabels.Length()) alleleLabels.Dimension(allele + 1);
   if (alleleLabels[allele].IsEmpty()) alleleLabels[allele] = allele;
   return alleleLabels[allele];
}

bool MarkerInfo::AdjustFrequencies() {
   if (freq.Length() < 2) {
      freq.Dimension(0);
      return false;
   }
   if (freq.Min() < 0)
      error("Locus %s has negative allele frequencies\n", static_cast<const char*>(name));
   double sum = freq.Sum();
   // Not-a-number and infinite sums cannot be scaled either.
   if (!(sum > 0) || std::isinf(sum))
      error("Locus %s frequencies sum to %f, which doesn't make sense\n",
            static_cast<const char*>(name), sum);
   if (sum == 1.0) return false;
   freq.Multiply(1.0 / sum);
   if (fabs(sum - 1.0) <= 1.2e-5) return false;
   printf("Locus %s frequencies sum to %f, adjusted to 1.0\n", static_cast<const char*>(name), sum);
   return true;
}

bool MarkerInfo::OnChromosomeX() const {
   std::string name(chromosomeName);
   for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
   if (name.compare(0, 3, "chr") == 0) name.erase(0, 3);
   return name == "x" || name == "23";
}

int MarkerInfo::ComparePosition(MarkerInfo** a, MarkerInfo** b) {
   if ((*a)->chromosome != (*b)->chromosome) return (*a)->chromosome < (*b)->chromosome ? -1 : 1;
   double difference = (*a)->position - (*b)->position;
   if (difference > 0) return 1;
   if (difference < 0 || std::isnan(difference)) return -1;
   if ((*a)->serial != (*b)->serial) return (*a)->serial < (*b)->serial ? -1 : 1;
   return 0;
}

// ---------------------------------------------------------------- registration

PedigreeGlobals::~PedigreeGlobals() {
   if (--instanceCount == 0 && markerInfo != nullptr && !registryDestroyed) ReleaseMarkerInfo();
}

int PedigreeGlobals::GetTraitID(const char* name) {
   return RegisterName(name, traitNames, traitLookup, traitCount);
}

int PedigreeGlobals::GetAffectionID(const char* name) {
   return RegisterName(name, affectionNames, affectionLookup, affectionCount);
}

int PedigreeGlobals::GetCovariateID(const char* name) {
   return RegisterName(name, covariateNames, covariateLookup, covariateCount);
}

int PedigreeGlobals::GetMarkerID(const char* name) {
   int slot = markerLookup.Find(name);
   if (slot >= 0) return markerLookup.ValueAt(slot);
   // The record index keeps a slot for every ID: 16 at first, then doubled
   // whenever the count of IDs reaches a power of two.
   if (markerCount == 0) {
      markerInfoByInteger = Resized(markerInfoByInteger, 0, 16);
   } else if (markerCount >= 16 && (markerCount & (markerCount - 1)) == 0) {
      if (markerCount >= kMostSlots)
         error("No more than %d markers can be registered\n", kMostSlots);
      markerInfoByInteger = Resized(markerInfoByInteger, markerCount, 2 * markerCount);
   }
   return RegisterName(name, markerNames, markerLookup, markerCount);
}

void PedigreeGlobals::RenameMarker(int markerID, const char* name) {
   CheckMarkerID(markerID);
   MarkerInfo* info = markerInfoByInteger[markerID];
   if (info == nullptr) {
      info = new MarkerInfo(markerNames[markerID]);
      if (markerInfoCount >= markerInfoSize) GrowMarkerInfo();
      markerInfo[markerInfoCount++] = info;
   }
   int slot = markerInfoByName.Find(info->name);
   if (slot >= 0 && markerInfoByName.ValueAt(slot) == info) markerInfoByName.Delete(slot);
   slot = markerLookup.Find(markerNames[markerID]);
   if (slot >= 0 && markerLookup.ValueAt(slot) == markerID) markerLookup.Delete(slot);

   String key(name);
   markerNames[markerID] = key;
   slot = markerLookup.Find(key);
   if (slot < 0) slot = markerLookup.Add(key, markerID);
   // The record is entered by name only for the ID the name looks up to, so
   // that no two IDs ever share one record.
   if (markerLookup.ValueAt(slot) == markerID && markerInfoByName.Find(key) < 0)
      markerInfoByName.Add(key, info);

   info->name = key;
   info->chromosome = -1;
   info->position = info->positionMale = info->positionFemale = 0.0;
   info->freq.Dimension(0);
   info->alleleLabels.Clear();
   info->alleleNumbers.Clear();
   info->chromosomeName = "";
   info->serial = MarkerInfo::count++;
   markerInfoByInteger[markerID] = info;
}

MarkerInfo* PedigreeGlobals::GetMarkerInfo(const String& name) {
   int slot = markerInfoByName.Find(name);
   if (slot >= 0) return static_cast<MarkerInfo*>(markerInfoByName.ValueAt(slot));

   MarkerInfo* info = new MarkerInfo(name);
   markerInfoByName.Add(name, info);
   if (markerInfoCount >= markerInfoSize) GrowMarkerInfo();
   markerInfo[markerInfoCount++] = info;
   int id = markerLookup.Find(name);
   if (id >= 0) markerInfoByInteger[markerLookup.ValueAt(id)] = info;
   return info;
}

MarkerInfo* PedigreeGlobals::GetMarkerInfo(int markerID) {
   CheckMarkerID(markerID);
   // A record made before its name was registered is attached here.
   if (markerInfoByInteger[markerID] == nullptr)
      markerInfoByInteger[markerID] = GetMarkerInfo(markerNames[markerID]);
   return markerInfoByInteger[markerID];
}

void PedigreeGlobals::GrowMarkerInfo() {
   if (markerInfoSize >= kMostSlots)
      error("No more than %d marker records can be kept\n", kMostSlots);
   int size = markerInfoSize == 0 ? 32 : 2 * markerInfoSize;
   markerInfo = Resized(markerInfo, markerInfoCount, size);
   markerInfoSize = size;
}

bool PedigreeGlobals::MarkerPositionsAvailable() {
   for (int i = 0; i < markerInfoCount; i++)
      if (markerInfo[i]->chromosome != -1) return true;
   return false;
}

bool PedigreeGlobals::AlleleFrequenciesAvailable() {
   for (int i = 0; i < markerInfoCount; i++)
      if (markerInfo[i]->freq.Length() >= 2) return true;
   return false;
}

// ---------------------------------------------------------------- alleles

int PedigreeGlobals::LoadAllele(int markerID, String& token) {
   return LoadAllele(GetMarkerInfo(markerID), token);
}

int PedigreeGlobals::LoadAllele(MarkerInfo* info, String& token) {
   int length = token.Length();
   if (length == 0 || (length == 1 && token[0] == '0')) return 0;

   int slot = info->alleleNumbers.Find(token);
   if (slot >= 0 && info->alleleNumbers.ValueAt(slot) >= 0)
      return info->alleleNumbers.ValueAt(slot);

   int firstClass = AlleleClass(token[0]);
   if (length == 1) return firstClass == 0 ? 0 : info->NewAllele(token);

   int digits = 0;
   while (digits < length && IsDigit(token[digits])) digits++;
   // A longer token is a number: one that starts with 1 to 9 (any text after
   // its digits is dropped) or one made of digits only, leading zeros and all.
   if (firstClass != 1 && digits != length) return 0;
   int first = 0;
   while (first < digits - 1 && token[first] == '0') first++;
   token = token.SubStr(first, digits - first);
   // The text is exact however long the number; it is parsed only when short.
   long value = digits - first > 7 ? kLargestAlleleNumber + 1L : strtol(token, nullptr, 10);

   slot = info->alleleNumbers.Find(token);
   if (slot >= 0 && info->alleleNumbers.ValueAt(slot) > 0) return info->alleleNumbers.ValueAt(slot);
   if (value < 1) return 0;
   if (value > kLargestAlleleNumber) {
      static int warn_user = 1;
      if (warn_user) {
         printf(
             "Some allele numbers for marker %s are > 1000000\n"
             "All allele numbers >1000000 will be treated as missing\n\n",
             static_cast<const char*>(info->name));
         warn_user = 0;
      }
      return 0;
   }
   return info->NewAllele(token);
}

// ---------------------------------------------------------------- maps

void PedigreeGlobals::LoadMarkerMap(const char* filename, bool filter) {
   IFILE input = ifopen(filename, "rb");
   if (input == nullptr) return;
   LoadMarkerMap(input, filter);
   CheckReadToEnd(input, "Map file", filename);
   ifclose(input);
}

void PedigreeGlobals::LoadMarkerMap(IFILE& input, bool filter) {
   if (input == nullptr) return;
   String line;
   StringArray tokens;
   bool firstLine = true;
   bool sexSpecific = false;
   while (!ifeof(input)) {
      line.ReadLine(input);
      if (tokens.ReplaceTokens(line, kSeparators) == 0) continue;
      if (firstLine) {
         sexSpecificMap = sexSpecific = tokens.Length() == 5;
         firstLine = false;
      }
      if (tokens.Length() != (sexSpecific ? 5 : 3))
         error(sexSpecific ? kFiveFieldMap : kThreeFieldMap, tokens.Length(),
               static_cast<const char*>(line));
      if (IsMapHeader(tokens, {"KOSAMBI", "POS", "POSITION", "SEX_AVERAGED_POS", "CM", "HALDANE"}))
         continue;
      if (filter && markerLookup.Find(tokens[1]) < 0) continue;

      MarkerInfo* info = GetMarkerInfo(tokens[1]);
      info->chromosome = ReadChromosome(tokens[0]);
      info->chromosomeName = tokens[0];
      info->position = strtod(tokens[2], nullptr) / 100.0;
      if (sexSpecific) {
         info->positionFemale = ReadSexSpecificPosition(tokens[3], info->name, "female");
         info->positionMale = ReadSexSpecificPosition(tokens[4], info->name, "male");
      } else {
         info->positionFemale = info->positionMale = info->position;
      }
   }
   if (sexSpecific) VerifySexSpecificOrder();
}

void PedigreeGlobals::LoadBasepairMap(const char* filename) {
   IFILE input = ifopen(filename, "rb");
   if (input == nullptr)
      error(
          "The map file [%s] could not be opened\n\n"
          "Please check that the filename is correct and that the file is\n"
          "not being used by another program",
          filename);
   LoadBasepairMap(input);
   CheckReadToEnd(input, "Map file", filename);
   ifclose(input);
}

void PedigreeGlobals::LoadBasepairMap(IFILE& input) {
   sexSpecificMap = false;
   if (input == nullptr) return;
   String line;
   StringArray tokens;
   while (!ifeof(input)) {
      line.ReadLine(input);
      if (tokens.ReplaceTokens(line, kSeparators) == 0) continue;
      if (tokens.Length() != 3)
         error(kThreeFieldMap, tokens.Length(), static_cast<const char*>(line));
      if (IsMapHeader(tokens, {"BASEPAIR", "POS", "POSITION"})) continue;

      MarkerInfo* info = GetMarkerInfo(tokens[1]);
      info->chromosome = ReadChromosome(tokens[0]);
      info->chromosomeName = tokens[0];
      info->position = strtod(tokens[2], nullptr);
   }
}

void PedigreeGlobals::VerifySexSpecificOrder() {
   if (markerCount < 2) return;
   std::vector<MarkerInfo*> records;
   for (int i = 0; i < markerCount; i++) records.push_back(GetMarkerInfo(i));
   SortByPosition(records);

   for (size_t i = 1; i < records.size(); i++) {
      const MarkerInfo* previous = records[i - 1];
      const MarkerInfo* current = records[i];
      if (previous->chromosome != current->chromosome) continue;
      bool female = previous->positionFemale > current->positionFemale;
      if (!female && !(previous->positionMale > current->positionMale)) continue;
      error(
          "Sex-specific and sex-averaged maps are inconsistent.\n\n"
          "In the sex-averaged map, marker %s (%.2f cM) follows marker %s (%.2f cM).\n"
          "In the %smale map, marker %s (%.2f cM) PRECEDES marker %s (%.2f cM).\n",
          static_cast<const char*>(current->name), current->position * 100,
          static_cast<const char*>(previous->name), previous->position * 100, female ? "fe" : "",
          static_cast<const char*>(current->name),
          (female ? current->positionFemale : current->positionMale) * 100,
          static_cast<const char*>(previous->name),
          (female ? previous->positionFemale : previous->positionMale) * 100);
   }
}

void PedigreeGlobals::WriteMapFile(FILE* output) {
   fputs(sexSpecificMap ? "CHR  MARKER    POS   POSF   POSM\n" : "CHR  MARKER    POS\n", output);
   for (int i = 0; i < markerInfoCount; i++) {
      const MarkerInfo* info = markerInfo[i];
      if (info->chromosome == -1) continue;
      if (sexSpecificMap)
         fprintf(output, "%3d %-10s %g  %g  %g\n", info->chromosome,
                 static_cast<const char*>(info->name), info->position * 100,
                 info->positionFemale * 100, info->positionMale * 100);
      else
         fprintf(output, "%3d  %-10s  %g\n", info->chromosome, static_cast<const char*>(info->name),
                 info->position * 100);
   }
}

void PedigreeGlobals::WriteMapFile(const char* filename) {
   if (!MarkerPositionsAvailable()) return;
   FILE* output = fopen(filename, "wt");
   if (output == nullptr) error("Creating map file \"%s\"", filename);
   WriteMapFile(output);
   FinishWriting(output, "map file", filename);
}

int PedigreeGlobals::SortMarkersInMapOrder(IntArray& markers, int chromosome) {
   IntArray unplaced;
   std::vector<MarkerInfo*> placed = PlacedRecords(markers, unplaced);
   if (chromosome == -1) FlagMissingMarkers(unplaced);

   markers.Dimension(0);
   size_t i = 0;
   while (i < placed.size() && placed[i]->chromosome < chromosome) i++;
   if (i == placed.size()) return 0;
   int current = placed[i]->chromosome;
   for (; i < placed.size(); i++) {
      if (placed[i]->chromosome != current) return placed[i]->chromosome;
      markers.Append(GetMarkerID(placed[i]->name));
   }
   return 0;
}

void PedigreeGlobals::GetOrderedMarkers(IntArray& markers) {
   IntArray unplaced;
   std::vector<MarkerInfo*> placed = PlacedRecords(markers, unplaced);
   FlagMissingMarkers(unplaced);
   markers.Dimension(0);
   for (MarkerInfo* info : placed) markers.Append(GetMarkerID(info->name));
}

void PedigreeGlobals::FlagMissingMarkers(IntArray& missing) {
   if (missing.Length() == 0) return;
   StringArray names;
   for (int i = 0; i < missing.Length(); i++) {
      CheckMarkerID(missing[i]);
      names.Add(markerNames[missing[i]]);
   }
   names.Sort();

   printf("These markers couldn't be placed and won't be analysed:");
   int width = 80, lines = 0, unlisted = 0;
   for (int i = 0; i < names.Length(); i++) {
      if (lines < 5 && width + names[i].Length() > 78) {
         printf("\n   ");
         lines++;
         width = 3;
      }
      if (lines >= 5) {
         unlisted++;
         continue;
      }
      printf("%s ", static_cast<const char*>(names[i]));
      width += names[i].Length() + 1;
   }
   if (unlisted > 0) printf("as well as %d other unlisted markers...", unlisted);
   printf("\n\n");
}

// ---------------------------------------------------------------- allele frequencies

void PedigreeGlobals::LoadAlleleFrequencies(const char* filename, bool required) {
   if (filename == nullptr || filename[0] == 0) {
      if (required) error("No name provided for required allele freuquency file\n");
      return;
   }
   IFILE input = ifopen(filename, "rb");
   if (input == nullptr) {
      if (required) error("Failed to open required alallele frequency file '%s'", filename);
      return;
   }
   LoadAlleleFrequencies(input);
   CheckReadToEnd(input, "Allele frequency file", filename);
   ifclose(input);
}

void PedigreeGlobals::LoadAlleleFrequencies(IFILE& input) {
   if (input == nullptr) return;
   String line, label;
   StringArray tokens;
   MarkerInfo* info = nullptr;
   int nextAllele = 1;
   bool adjusted = false;
   bool ended = false;
   while (!ended && !ifeof(input)) {
      line.ReadLine(input);
      if (tokens.ReplaceTokens(line, kSeparators) == 0) continue;

      switch (toupper(static_cast<unsigned char>(tokens[0][0]))) {
         case 'M':
            if (tokens.Length() == 1) error("Unnamed marker in allele frequency file");
            if (info != nullptr) adjusted |= info->AdjustFrequencies();
            info = GetMarkerInfo(tokens[1]);
            info->freq.Dimension(1);
            info->freq[0] = 0.0;
            nextAllele = 1;
            break;
         case 'F':
            if (info == nullptr) break;
            for (int i = 1; i < tokens.Length(); i++, nextAllele++) {
               label = nextAllele;
               int allele = LoadAllele(info, label);
               // Only counting on past a named allele near the limit gets here.
               if (allele < 1)
                  error(
                      "Error reading allele frequencies for locus %s\n"
                      "Frequency lines reach allele %d, but allele numbers above 1000000 are "
                      "treated as missing\n",
                      static_cast<const char*>(info->name), nextAllele);
               if (allele >= info->freq.Length()) info->freq.Dimension(allele + 1, 0.0);
               info->freq[allele] = strtod(tokens[i], nullptr);
            }
            break;
         case 'A': {
            if (info == nullptr) break;
            if (tokens.Length() != 3)
               error(
                   "Error reading named allele frequencies for locus %s\n"
                   "Lines with named alleles should have the format\n"
                   "   A allele_label allele_frequency\n\n"
                   "But the following line was read:\n%s\n",
                   static_cast<const char*>(info->name), static_cast<const char*>(line));
            int allele = LoadAllele(info, tokens[1]);
            if (allele < 1)
               error(
                   "Error reading named allele frequencies for locus %s\n"
                   "An invalid allele label was encountered\n",
                   static_cast<const char*>(info->name));
            if (allele >= info->freq.Length()) info->freq.Dimension(allele + 1, 0.0);
            info->freq[allele] = strtod(tokens[2], nullptr);
            // Pinned so that counting on from a label cannot overflow.
            long number = strtol(tokens[1], nullptr, 10);
            if (number < 0) number = 0;
            if (number > kLargestAlleleNumber) number = kLargestAlleleNumber;
            nextAllele = static_cast<int>(number) + 1;
            break;
         }
         case 'E':
            ended = true;
            break;
         default:
            error(
                "Problem in allele frequency file.\n"
                "Lines in this file should be of two types:\n"
                "  -- Marker name lines begin with an M\n"
                "  -- Frequency lines begin with an F\n\n"
                "However the following line is different:\n%s\n",
                static_cast<const char*>(line));
      }
   }
   if (info != nullptr) adjusted |= info->AdjustFrequencies();
   if (adjusted) printf("\n");
}

namespace {

// Smaller frequencies are left out of the labelled layout.
const double kLeastWritten = 1e-7;
// The writers print five decimals: frequencies in units of 1e-5.
const int kUnitsInOne = 100000;
const long long kPartsInUnit = 1000000;

// The frequencies of alleles 1.. as the writers print them, in units of 1e-5;
// false when they cannot be shared out (an infinite sum). The alleles above
// kLeastWritten share exactly one in proportion: each gets its share rounded
// down, the units left over go to the largest remainders (the lower allele
// first on a tie), and an allele left with none takes one from the largest
// share (the lower allele on a tie). So a marker's printed frequencies sum to
// exactly 1 and read back as printed, none that was above zero reads back as
// zero, and frequencies read back are written again unchanged.
bool ShareOutUnits(const Vector& freq, std::vector<int>& units) {
   units.assign(freq.Length(), 0);
   std::vector<int> shared;
   double sum = 0;
   for (int allele = 1; allele < freq.Length(); allele++)
      if (freq[allele] > kLeastWritten) {
         shared.push_back(allele);
         sum += freq[allele];
      }
   if (!std::isfinite(sum)) return false;
   // Shares are taken to millionths of a unit: frequencies read back from a
   // file then land on their whole units whatever the last bits of their sum.
   std::vector<long long> remainder(freq.Length(), 0);
   int left = shared.empty() ? 0 : kUnitsInOne;
   for (int allele : shared) {
      long long share = llround(freq[allele] / sum * kUnitsInOne * kPartsInUnit);
      units[allele] = static_cast<int>(share / kPartsInUnit);
      remainder[allele] = share % kPartsInUnit;
      left -= units[allele];
   }
   std::vector<int> order = shared;
   std::stable_sort(order.begin(), order.end(),
                    [&](int a, int b) { return remainder[a] > remainder[b]; });
   for (int i = 0; i < left && i < static_cast<int>(order.size()); i++) units[order[i]]++;
   for (int allele : shared)
      if (units[allele] == 0) {
         int largest = shared[0];
         for (int other : shared)
            if (units[other] > units[largest]) largest = other;
         units[largest]--;
         units[allele] = 1;
      }
   return true;
}

void WriteFrequency(FILE* output, double frequency, int units) {
   if (units > 0)
      fprintf(output, "%d.%05d", units / kUnitsInOne, units % kUnitsInOne);
   else
      fprintf(output, "%.5f", frequency);
}

}  // namespace

void PedigreeGlobals::WriteFreqFile(FILE* output, bool numericLayout) {
   for (int i = 0; i < markerInfoCount; i++)
      WriteMarkerFrequencies(output, markerInfo[i], numericLayout);
}

void PedigreeGlobals::WriteMarkerFrequencies(FILE* output, MarkerInfo* info, bool numericLayout) {
   int length = info->freq.Length();
   if (length == 0) return;
   std::vector<int> units;
   fprintf(output, "M %s\n", static_cast<const char*>(info->name));
   if (!ShareOutUnits(info->freq, units)) units.assign(length, 0);
   if (numericLayout && info->alleleLabels.Length() == 0) {
      for (int allele = 1; allele < length; allele++) {
         int column = (allele - 1) % 7;
         if (column == 0) fputs("F ", output);
         WriteFrequency(output, info->freq[allele], units[allele]);
         fputs(allele == length - 1 || column == 6 ? "\n" : " ", output);
      }
   } else {
      for (int allele = 1; allele < length; allele++) {
         if (!(info->freq[allele] > kLeastWritten)) continue;
         fprintf(output, "A %5s ", static_cast<const char*>(info->GetAlleleLabel(allele)));
         WriteFrequency(output, info->freq[allele], units[allele]);
         fputs("\n", output);
      }
   }
}

void PedigreeGlobals::WriteFreqFile(const char* filename, bool numericLayout) {
   FILE* output = fopen(filename, "wt");
   if (output == nullptr) error("Creating allele frequency file \"%s\"", filename);
   WriteFreqFile(output, numericLayout);
   FinishWriting(output, "allele frequency file", filename);
}
