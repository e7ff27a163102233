#include "quality/Selection.h"

#include <cinttypes>
#include <unordered_map>

#include "base/StringBasics.h"
#include "io/Error.h"
#include "io/InputFile.h"

std::vector<int> SelectSamples(const std::vector<std::string>& names, const std::string& listFile,
                               const char* source) {
   int count = static_cast<int>(names.size());
   std::vector<int> selected;
   if (listFile.empty()) {
      for (int i = 0; i < count; i++) selected.push_back(i);
      return selected;
   }
   std::unordered_map<std::string, int> columns;
   for (int i = 0; i < count; i++) columns[names[i]] = i;
   const char* list = listFile.c_str();
   IFILE file = ifopen(list, "rb");
   if (file == nullptr) error("File [%s] with sample names could not be opened\n", list);
   std::vector<char> chosen(names.size());
   String line;
   while (!ifeof(file)) {
      line.ReadLine(file);
      if (line.Length() == 0) continue;
      std::string sample(static_cast<const char*>(line), line.Length());
      auto found = columns.find(sample);
      if (found == columns.end()) {
         ifclose(file);
         error("Sample [%s] named in [%s] is not in the header of [%s]\n", sample.c_str(), list,
               source);
      }
      if (chosen[found->second]) {
         ifclose(file);
         error("Sample [%s] is named twice in [%s]\n", sample.c_str(), list);
      }
      chosen[found->second] = 1;
   }
   bool failed = iferror(file) != 0;
   ifclose(file);
   if (failed) error("File [%s] with sample names could not be read to its end\n", list);
   for (int i = 0; i < count; i++)
      if (chosen[i]) selected.push_back(i);
   if (selected.empty()) error("File [%s] names no sample\n", list);
   return selected;
}

namespace {

// A position of a region: digits, perhaps grouped by commas; false when
// there are none, or the number passes `largest`.
bool ParsePosition(const std::string& text, int64_t largest, int64_t& value) {
   value = 0;
   bool digits = false;
   for (char c : text) {
      if (c == ',') continue;
      if (c < '0' || c > '9') return false;
      if (value > (largest - (c - '0')) / 10) return false;
      value = value * 10 + (c - '0');
      digits = true;
   }
   return digits;
}

}  // namespace

Region ParseRegion(const std::string& text) {
   size_t colon = text.rfind(':');
   std::string range = colon == std::string::npos ? "" : text.substr(colon + 1);
   bool isRange = !range.empty() && range.find_first_not_of("0123456789,-") == std::string::npos &&
                  range.find('-') == range.rfind('-') &&
                  range.find_first_of("0123456789") != std::string::npos;
   if (colon == 0 || text.empty() || (colon == text.size() - 1))
      error("Region [%s] is empty or invalid: give CHR, CHR:FROM or CHR:FROM-TO\n", text.c_str());
   Region region;
   region.chrom = text;
   if (!isRange) return region;
   region.chrom = text.substr(0, colon);
   size_t hyphen = range.find('-');
   std::string first = range.substr(0, hyphen);
   std::string last = hyphen == std::string::npos ? "" : range.substr(hyphen + 1);
   const int64_t largest = Region::kLargestPosition;
   bool valid = (first.empty() || ParsePosition(first, largest, region.from)) &&
                (last.empty() || ParsePosition(last, largest, region.to));
   if (!valid || region.from < 1 || region.to < region.from)
      error(
          "Region [%s] is empty or invalid: FROM and TO are positions with 1 <= FROM <= TO <= "
          "%" PRId64 "\n",
          text.c_str(), largest);
   return region;
}
