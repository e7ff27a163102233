// The line and word readers of String and StringArray, and the tokenisers every
// text-file reader splits its lines with, on arbitrary bytes.
//
// Properties beyond "no crash": each reader terminates within a bound set by
// the input size; lines never hold a line end and words never a separator;
// what the readers return, put back together, is the input minus what they
// drop; the stdio and input-file readers agree where the design says they
// must; tokens and columns rebuild their line.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/StringArray.h"
#include "base/StringBasics.h"
#include "fuzz/FuzzSupport.h"
#include "io/InputFile.h"

namespace {

using fuzzsupport::FileGuard;
using fuzzsupport::FuzzFatal;
using fuzzsupport::IfileGuard;

// Decompressed gzip input may be ~1000 times its size; reading stops after
// this much of it, to keep the work per input small.
const size_t kMaxDecompressed = 1u << 20;
const int kMaxTokenisedLines = 64;

std::string Bytes(const String& s) {
   return std::string(static_cast<const char*>(s), static_cast<size_t>(s.Length()));
}

std::string Without(const std::string& text, const char* drop, size_t dropCount) {
   std::string kept;
   for (char c : text)
      if (memchr(drop, c, dropCount) == nullptr) kept += c;
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

bool HasLineEnd(const std::string& s) {
   return s.find_first_of("\r\n") != std::string::npos;
}

std::vector<std::string> StdioLines(const std::string& path, size_t size) {
   std::vector<std::string> lines;
   FILE* f = fopen(path.c_str(), "rb");
   LOCI_FUZZ_CHECK(f != nullptr);
   FileGuard guard(f);
   String line;
   size_t total = 0;
   while (!feof(f) && !ferror(f)) {
      LOCI_FUZZ_CHECK(lines.size() <= size + 1);
      line.ReadLine(f);
      std::string bytes = Bytes(line);
      // The stdio reader keeps a chunk only up to its first NUL.
      LOCI_FUZZ_CHECK(bytes.find('\0') == std::string::npos);
      LOCI_FUZZ_CHECK(!HasLineEnd(bytes));
      total += bytes.size();
      LOCI_FUZZ_CHECK(total <= size);
      lines.push_back(bytes);
   }
   LOCI_FUZZ_CHECK(!ferror(f));

   // StringArray::Read(FILE*) is the same loop.
   rewind(f);
   StringArray array;
   array.Read(f);
   LOCI_FUZZ_CHECK(static_cast<size_t>(array.Length()) == lines.size());
   for (int i = 0; i < array.Length(); i++) LOCI_FUZZ_CHECK(Bytes(array[i]) == lines[i]);
   return lines;
}

std::vector<std::string> StdioWords(const std::string& path, size_t size) {
   std::vector<std::string> words;
   FILE* f = fopen(path.c_str(), "rb");
   LOCI_FUZZ_CHECK(f != nullptr);
   FileGuard guard(f);
   String word;
   while (!feof(f) && !ferror(f)) {
      LOCI_FUZZ_CHECK(words.size() <= size + 1);
      word.Read(f);
      std::string bytes = Bytes(word);
      LOCI_FUZZ_CHECK(bytes.find_first_of(std::string(" \t\n\r\f\0", 6)) == std::string::npos);
      words.push_back(bytes);
   }
   return words;
}

std::vector<std::string> IfileLines(const std::string& path, size_t size, bool compressed) {
   std::vector<std::string> lines;
   fuzzsupport::ResetLineEndMemory();
   IFILE f = ifopen(path.c_str(), "rb");
   LOCI_FUZZ_CHECK(!(f == nullptr));
   IfileGuard guard(f);
   String line;
   size_t total = 0;
   while (!ifeof(f)) {
      LOCI_FUZZ_CHECK(compressed || lines.size() <= size + 1);
      line.ReadLine(f);
      std::string bytes = Bytes(line);
      LOCI_FUZZ_CHECK(!HasLineEnd(bytes));
      total += bytes.size() + 1;
      if (compressed && total > kMaxDecompressed) break;
      LOCI_FUZZ_CHECK(compressed || total <= 2 * size + 2);
      lines.push_back(bytes);
   }
   if (!compressed) LOCI_FUZZ_CHECK(!iferror(f));

   // StringArray::Read(IFILE&) is the same loop.
   if (!compressed) {
      fuzzsupport::ResetLineEndMemory();
      ifrestart(f);
      StringArray array;
      array.Read(f);
      LOCI_FUZZ_CHECK(static_cast<size_t>(array.Length()) == lines.size());
      for (int i = 0; i < array.Length(); i++) LOCI_FUZZ_CHECK(Bytes(array[i]) == lines[i]);
   }
   return lines;
}

std::vector<std::string> IfileWords(const std::string& path, size_t size, bool compressed) {
   std::vector<std::string> words;
   IFILE f = ifopen(path.c_str(), "rb");
   LOCI_FUZZ_CHECK(!(f == nullptr));
   IfileGuard guard(f);
   String word;
   size_t total = 0;
   while (!ifeof(f)) {
      LOCI_FUZZ_CHECK(compressed || words.size() <= size + 1);
      word.Read(f);
      total += word.Length() + 1;
      if (compressed && total > kMaxDecompressed) break;
      std::string bytes = Bytes(word);
      LOCI_FUZZ_CHECK(bytes.find_first_of(std::string(" \t\n\r\f\0", 6)) == std::string::npos);
      words.push_back(bytes);
   }
   return words;
}

// Restores the process-wide case switch however the scope is left.
struct CaseSwitch {
   bool saved;
   explicit CaseSwitch(bool sensitive) : saved(String::caseSensitive) {
      String::caseSensitive = sensitive;
   }
   ~CaseSwitch() { String::caseSensitive = saved; }
};

bool IsSeparator(const String& separators, char c) {
   return separators.FindChar(c, 0) != -1;
}

void CheckTokenisers(const String& line, const String& separators, char separator) {
   std::string text = Bytes(line);
   bool exact = String::caseSensitive;

   StringArray tokens;
   tokens.Add("kept");
   int count = tokens.AddTokens(line, separators);
   LOCI_FUZZ_CHECK(count == tokens.Length() && count >= 1 && !(tokens[0] != "kept"));
   std::string joined;
   for (int i = 1; i < count; i++) {
      LOCI_FUZZ_CHECK(tokens[i].Length() > 0);
      for (int j = 0; j < tokens[i].Length(); j++)
         LOCI_FUZZ_CHECK(!IsSeparator(separators, tokens[i][j]));
      joined += Bytes(tokens[i]);
   }
   if (exact) {
      std::string seps = Bytes(separators);
      LOCI_FUZZ_CHECK(joined == Without(text, seps.data(), seps.size()));
   }

   StringArray replaced;
   replaced.Add("gone");
   LOCI_FUZZ_CHECK(replaced.ReplaceTokens(line, separators) == count - 1);
   for (int i = 0; i < replaced.Length(); i++)
      LOCI_FUZZ_CHECK(Bytes(replaced[i]) == Bytes(tokens[i + 1]));

   StringArray columns;
   int columnCount = columns.AddColumns(line, separator);
   LOCI_FUZZ_CHECK(columnCount == columns.Length() && columnCount >= 1);
   StringArray charTokens;
   int charTokenCount = charTokens.AddTokens(line, separator);
   if (exact) {
      std::string rebuilt;
      std::vector<std::string> nonEmpty;
      for (int i = 0; i < columnCount; i++) {
         if (i > 0) rebuilt += separator;
         rebuilt += Bytes(columns[i]);
         if (columns[i].Length() > 0) nonEmpty.push_back(Bytes(columns[i]));
      }
      LOCI_FUZZ_CHECK(rebuilt == text);
      LOCI_FUZZ_CHECK(static_cast<size_t>(charTokenCount) == nonEmpty.size());
      for (int i = 0; i < charTokenCount; i++) LOCI_FUZZ_CHECK(Bytes(charTokens[i]) == nonEmpty[i]);
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
   std::string path = fuzzsupport::WriteScratch("input", data, size);
   std::string input(reinterpret_cast<const char*>(data), size);
   bool compressed = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
   bool hasNul = input.find('\0') != std::string::npos;

   std::vector<std::string> stdioLines = StdioLines(path, size);
   std::vector<std::string> stdioWords = StdioWords(path, size);
   std::vector<std::string> ifileLines = IfileLines(path, size, compressed);
   std::vector<std::string> ifileWords = IfileWords(path, size, compressed);

   if (!compressed) {
      // Both line readers drop exactly the line ends; the stdio one also cuts at NUL.
      LOCI_FUZZ_CHECK(Joined(ifileLines) == Without(input, "\r\n", 2));
      LOCI_FUZZ_CHECK(Joined(ifileWords) == Without(input, " \t\n\r\f\0", 6));
      if (!hasNul) {
         LOCI_FUZZ_CHECK(Joined(stdioLines) == Without(input, "\r\n", 2));
         // They differ only in the empty line a final line end may leave.
         LOCI_FUZZ_CHECK(NonEmpty(stdioLines) == NonEmpty(ifileLines));
         if (input.find('\v') == std::string::npos)
            LOCI_FUZZ_CHECK(NonEmpty(stdioWords) == NonEmpty(ifileWords));
      }
   }

   CaseSwitch caseSwitch(size == 0 || (data[0] & 1) == 0);
   String separators(" \t\r\n");
   if (size > 3 && (data[0] & 2) != 0) {
      separators = "";
      for (size_t i = 1; i < 4; i++) separators += static_cast<char>(data[i]);
   }
   char separator = size > 0 ? static_cast<char>(data[size - 1]) : ',';

   // ReadLine(IFILE&) keeps NUL bytes, so these lines exercise them too.
   fuzzsupport::ResetLineEndMemory();
   IFILE f = ifopen(path.c_str(), "rb");
   LOCI_FUZZ_CHECK(!(f == nullptr));
   IfileGuard guard(f);
   String line, previous;
   for (int n = 0; n < kMaxTokenisedLines && !ifeof(f); n++) {
      line.ReadLine(f);
      CheckTokenisers(line, separators, separator);
      CheckComparisons(line, previous);
      previous = line;
   }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   return fuzzsupport::RunWithoutFatal(Run, data, size, "a string reader");
}
