// The line and word readers of String and StringArray, and the tokenisers every
// text-file reader splits its lines with, on arbitrary bytes.
//
// Properties beyond "no crash": each reader terminates within a bound set by
// the input size; lines never hold a line end and words never a separator;
// what the readers return, put back together, is the input minus what they
// drop; the stdio and input-file readers agree on text without NUL bytes;
// tokens and columns rebuild their line.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/StringArray.h"
#include "base/StringBasics.h"
#include "io/InputFile.h"
#include "tests/support/Support.h"

namespace {

// Decompressed gzip input may be ~1000 times its size; reading stops after
// this much of it, to keep the work per input small.
const size_t kMaxDecompressed = 1u << 20;
const int kMaxTokenisedLines = 64;
const std::string kLineEnds("\r\n", 2), kBlanks(" \t\n\r\f\0", 6);

std::string Bytes(const String& s) {
   return std::string(static_cast<const char*>(s), static_cast<size_t>(s.Length()));
}

std::string Without(const std::string& text, const std::string& drop) {
   std::string kept;
   for (char c : text)
      if (drop.find(c) == std::string::npos) kept += c;
   return kept;
}

std::vector<std::string> NonEmpty(const std::vector<std::string>& items) {
   std::vector<std::string> kept;
   for (const auto& item : items)
      if (!item.empty()) kept.push_back(item);
   return kept;
}

std::string Joined(const std::vector<std::string>& items) {
   std::string all;
   for (const auto& item : items) all += item;
   return all;
}

// What `read` returns until `atEnd`, none of it holding a byte of `banned`:
// within size + 1 reads for plain input, up to kMaxDecompressed of compressed.
template <class AtEnd, class Read>
std::vector<std::string> ReadAll(AtEnd atEnd, Read read, const std::string& banned, size_t size,
                                 bool compressed) {
   std::vector<std::string> items;
   for (size_t total = 0; !atEnd();) {
      LOCI_FUZZ_CHECK(compressed || items.size() <= size + 1);
      items.push_back(Bytes(read()));
      LOCI_FUZZ_CHECK(items.back().find_first_of(banned) == std::string::npos);
      total += items.back().size() + 1;
      if (compressed && total > kMaxDecompressed) break;
   }
   return items;
}

std::vector<std::string> Items(const StringArray& array, int from = 0) {
   std::vector<std::string> items;
   for (int i = from; i < array.Length(); i++) items.push_back(Bytes(array[i]));
   return items;
}

// StringArray::Read is the loop of String::ReadLine.
template <class File>
void CheckArrayRead(File& f, const std::vector<std::string>& lines) {
   StringArray array;
   array.Read(f);
   LOCI_FUZZ_CHECK(Items(array) == lines);
}

void CheckTokenisers(const String& line, const String& separators, char separator) {
   std::string text = Bytes(line);
   bool exact = String::caseSensitive;

   StringArray tokens, replaced, columns, charTokens;
   tokens.Add("kept");
   replaced.Add("gone");
   int count = tokens.AddTokens(line, separators);
   LOCI_FUZZ_CHECK(count == tokens.Length() && count >= 1 && !(tokens[0] != "kept"));
   std::vector<std::string> added = Items(tokens, 1);
   for (const std::string& token : added) {
      LOCI_FUZZ_CHECK(!token.empty());
      for (char c : token) LOCI_FUZZ_CHECK(separators.FindChar(c, 0) == -1);
   }
   if (exact) LOCI_FUZZ_CHECK(Joined(added) == Without(text, Bytes(separators)));
   LOCI_FUZZ_CHECK(replaced.ReplaceTokens(line, separators) == count - 1);
   LOCI_FUZZ_CHECK(Items(replaced) == added);

   int columnCount = columns.AddColumns(line, separator);
   LOCI_FUZZ_CHECK(columnCount == columns.Length() && columnCount >= 1);
   int charTokenCount = charTokens.AddTokens(line, separator);
   if (exact) {
      std::vector<std::string> cells = Items(columns);
      std::string rebuilt = cells[0];
      for (size_t i = 1; i < cells.size(); i++) rebuilt += separator + cells[i];
      LOCI_FUZZ_CHECK(rebuilt == text);
      LOCI_FUZZ_CHECK(static_cast<size_t>(charTokenCount) == NonEmpty(cells).size());
      LOCI_FUZZ_CHECK(Items(charTokens) == NonEmpty(cells));
   }
}

int Sign(int v) {
   return (v > 0) - (v < 0);
}

// Names read from files are compared with each other (info file against SNP
// list); lines may hold NUL bytes, which the comparisons must not read past.
void CheckComparisons(const String& a, const String& b) {
   LOCI_FUZZ_CHECK(Sign(a.FastCompare(b)) == -Sign(b.FastCompare(a)));
   LOCI_FUZZ_CHECK(Sign(a.SlowCompare(b)) == -Sign(b.SlowCompare(a)));
   LOCI_FUZZ_CHECK(a.FastCompare(String(a)) == 0 && a.SlowCompare(String(a)) == 0);
   LOCI_FUZZ_CHECK((Bytes(a) == Bytes(b)) == (a.FastCompare(b) == 0));
   a.FastCompare(static_cast<const char*>(b));
   a.SlowCompare(static_cast<const char*>(b));
   a.FastCompareToStem(b);
   a.SlowCompareToStem(b);
   a.FastMatchesBeginningOf(b);
   a.SlowMatchesBeginningOf(b);
   // The search is quadratic by design; decompressed lines can be long.
   if (a.Length() <= 65536 && b.Length() <= 65536) {
      a.FastFind(b);
      a.SlowFind(b);
   }
}

void Run(const uint8_t* data, size_t size) {
   std::string input(reinterpret_cast<const char*>(data), size);
   std::string path = testsupport::FuzzScratch().Write("input", input);
   bool compressed = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
   String s;

   // The stdio readers; the line reader keeps a chunk only up to its first NUL.
   FILE* f = fopen(path.c_str(), "rb");
   LOCI_FUZZ_CHECK(f != nullptr);
   auto stdioEnd = [&] { return feof(f) || ferror(f); };
   std::vector<std::string> stdioLines = ReadAll(
       stdioEnd, [&]() -> String& { return s.ReadLine(f); }, kLineEnds + '\0', size, false);
   LOCI_FUZZ_CHECK(!ferror(f));
   rewind(f);
   CheckArrayRead(f, stdioLines);
   rewind(f);
   std::vector<std::string> stdioWords = ReadAll(
       stdioEnd, [&]() -> String& { return s.Read(f); }, kBlanks, size, false);
   fclose(f);

   testsupport::ResetLineEndMemory();
   IFILE g = ifopen(path.c_str(), "rb");
   LOCI_FUZZ_CHECK(!(g == nullptr));
   auto ifileEnd = [&] { return ifeof(g); };
   std::vector<std::string> ifileLines = ReadAll(
       ifileEnd, [&]() -> String& { return s.ReadLine(g); }, kLineEnds, size, compressed);
   if (!compressed) {
      LOCI_FUZZ_CHECK(!iferror(g));
      testsupport::ResetLineEndMemory();
      ifrestart(g);
      CheckArrayRead(g, ifileLines);
   }
   ifclose(g);
   g = ifopen(path.c_str(), "rb");
   std::vector<std::string> ifileWords = ReadAll(
       ifileEnd, [&]() -> String& { return s.Read(g); }, kBlanks, size, compressed);
   ifclose(g);

   if (!compressed) {
      // Both line readers drop exactly the line ends; the stdio one also cuts at NUL.
      LOCI_FUZZ_CHECK(Joined(ifileLines) == Without(input, kLineEnds));
      LOCI_FUZZ_CHECK(Joined(ifileWords) == Without(input, kBlanks));
      if (input.find('\0') == std::string::npos) {
         LOCI_FUZZ_CHECK(Joined(stdioLines) == Without(input, kLineEnds));
         // They differ only in the empty line a final line end may leave.
         LOCI_FUZZ_CHECK(NonEmpty(stdioLines) == NonEmpty(ifileLines));
         if (input.find('\v') == std::string::npos)
            LOCI_FUZZ_CHECK(NonEmpty(stdioWords) == NonEmpty(ifileWords));
      }
   }

   // Every input sets the process-wide case switch for itself.
   String::caseSensitive = size == 0 || (data[0] & 1) == 0;
   String separators(" \t\r\n");
   if (size > 3 && (data[0] & 2) != 0) {
      separators = "";
      for (size_t i = 1; i < 4; i++) separators += static_cast<char>(data[i]);
   }
   char separator = size > 0 ? static_cast<char>(data[size - 1]) : ',';

   // ReadLine(IFILE&) keeps NUL bytes, so these lines exercise them too.
   testsupport::ResetLineEndMemory();
   g = ifopen(path.c_str(), "rb");
   String line, previous;
   for (int n = 0; n < kMaxTokenisedLines && !ifeof(g); n++) {
      line.ReadLine(g);
      CheckTokenisers(line, separators, separator);
      CheckComparisons(line, previous);
      previous = line;
   }
   ifclose(g);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   return testsupport::RunWithoutFatal(Run, data, size);
}
