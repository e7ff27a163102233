#include "tool/MarkerLoader.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "base/StringBasics_internal.h"
#include "io/Error.h"
#include "io/InputFile_internal.h"

namespace {
const char* const kSeparators = " \t\r\n";
// Stands for the file name in messages when only an open stream was given.
const char* const kUnnamed = "(open stream)";
const size_t kBlockBytes = 1 << 16;
}  // namespace

MarkerLoader::MarkerLoader() : markerCount(0), hasInfoFile(false) {}

void MarkerLoader::LoadMarkers(const char* filename) {
   FILE* file = fopen(filename, "rt");
   if (file == nullptr) error("Marker Info File [%s] could not be opened\n\n", filename);
   {
      loci_internal::NamedStream named(file, filename);
      ReadMarkers(file, filename);
   }
   fclose(file);
}

void MarkerLoader::LoadMarkers(FILE* file) {
   ReadMarkers(file, kUnnamed);
}

void MarkerLoader::ReadMarkers(FILE* file, const char* filename) {
   // Only the first field of each line is kept, so the lines are scanned in
   // blocks rather than held: split as String::ReadLine splits them (at '\n'
   // or '\r', a line's content ending at a NUL byte) and refused where it
   // would refuse them, past the length a string holds.
   const long long limit = loci_internal::MaxStringLength();
   std::unique_ptr<char[]> block(new char[kBlockBytes]);
   std::string name;
   long long lineLength = 0;
   enum { kBeforeName, kInName, kPastName } state = kBeforeName;
   size_t got;
   while ((got = fread(block.get(), 1, kBlockBytes, file)) > 0) {
      for (size_t i = 0; i < got; i++) {
         char c = block[i];
         if (c == '\n' || c == '\r') {
            if (!name.empty()) {
               markerNames.Add(String(name.c_str()));
               markerCount++;
               name.clear();
            }
            lineLength = 0;
            state = kBeforeName;
            continue;
         }
         if (++lineLength > limit) loci_internal::LineTooLong(file);
         if (c == 0) {
            state = kPastName;
         } else if (c == ' ' || c == '\t') {
            if (state == kInName) state = kPastName;
         } else if (state == kBeforeName) {
            state = kInName;
            name += c;
         } else if (state == kInName) {
            name += c;
         }
      }
   }
   if (ferror(file))
      error("Marker Info File [%s] could not be read: %s\n\n", filename, strerror(errno));
   if (!name.empty()) {
      markerNames.Add(String(name.c_str()));
      markerCount++;
   }

   printf("Read in %d markers from marker info file\n\n", markerCount);
}

void MarkerLoader::LoadAlleles(const char* filename) {
   IFILE file = ifopen(filename, "rb");
   if (file == nullptr) error("Imputation Info File [%s] could not be opened\n\n", filename);
   ReadAlleles(file, filename);
   ifclose(file);
}

void MarkerLoader::LoadAlleles(IFILE file) {
   ReadAlleles(file, kUnnamed);
}

void MarkerLoader::ReadAlleles(IFILE& file, const char* filename) {
   String line;
   StringArray tokens;
   String separators(kSeparators);

   // The header, whatever it says and however long: it is never held.
   loci_internal::SkipLine(file);

   int k = 0;
   long long extraLines = 0;  // an info file may hold more than 2^31 lines
   while (!ifeof(file)) {
      line.ReadLine(file);
      tokens.ReplaceTokens(line, separators);
      if (tokens.Length() == 0) continue;

      // Lines past the last marker are only counted, for the message below.
      if (k + extraLines >= markerCount) {
         extraLines++;
         continue;
      }
      if (tokens[0] != markerNames[k])
         error("Expect marker %s while read marker %s from imputation info file\n\n",
               static_cast<const char*>(markerNames[k]), static_cast<const char*>(tokens[0]));
      if (tokens.Length() < 3)
         error(
             "Imputation Info File [%s] gives no allele labels for marker %s: "
             "its line has %d field%s, where marker, allele 1 and allele 2 are expected\n\n",
             filename, static_cast<const char*>(tokens[0]), tokens.Length(),
             tokens.Length() == 1 ? "" : "s");
      allele1.Add(tokens[1]);
      allele2.Add(tokens[2]);
      k++;
   }

   if (iferror(file))
      error("Imputation Info File [%s] could not be read to its end: %s\n\n", filename,
            ifstrerror(file));
   if (k + extraLines != markerCount)
      error("Imputation Info File [%s] lists %lld markers, but the SNP list has %d\n\n", filename,
            k + extraLines, markerCount);
}
