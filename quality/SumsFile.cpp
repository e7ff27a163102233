#include "quality/SumsFile.h"

#include <sys/stat.h>

#include <cinttypes>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "base/StringBasics.h"
#include "io/Error.h"
#include "io/InputFile.h"

const char kSumsHeader[] = "#r2_hat_vcf sums version 1\n#CHROM\tPOS\tID\tREF\tALT\tn\tsum\tsumsq\n";

namespace {

void Put(FILE* out, std::string_view text) {
   fwrite(text.data(), 1, text.size(), out);
}

struct Marker {
   std::string chrom, id, ref, alt;
   int64_t pos = 0;
   MarkerSums sums;
   size_t next = 0;  // the following marker in output order; 0 ends the list
};

bool ParseCount(const std::string& text, int64_t& value) {
   if (text.empty() || text.size() > 18 ||
       text.find_first_not_of("0123456789") != std::string::npos)
      return false;
   value = std::stoll(text);
   return true;
}

// The columns of one sums row, split at tabs.
std::vector<std::string> Columns(const String& line) {
   std::vector<std::string> columns(1);
   for (int i = 0; i < line.Length(); i++) {
      if (line[i] == '\t')
         columns.emplace_back();
      else
         columns.back() += line[i];
   }
   return columns;
}

std::string Join(const std::set<std::string>& pairs) {
   std::string text;
   for (const std::string& pair : pairs) text += (text.empty() ? "" : ", ") + pair;
   return text;
}

}  // namespace

int64_t MergeSums(const std::vector<std::string>& files, const RowSink& sink) {
   std::vector<Marker> markers(1);  // markers[0] heads the list
   std::unordered_map<std::string, size_t> byKey;
   // CHROM, POS and ID -> the REF/ALT pairs and the file that gave them first.
   std::map<std::string, std::pair<std::string, std::string>> allelesOf;
   const std::string header(kSumsHeader);
   const std::string firstLine = header.substr(0, header.find('\n'));
   // A batch named twice would count its samples twice.
   std::map<std::pair<dev_t, ino_t>, std::string> named;

   for (const std::string& file : files) {
      const char* name = file.c_str();
      IFILE input = ifopen(name, "rb");
      if (input == nullptr) error("Sums file [%s] could not be opened\n", name);
      struct stat info;
      if (stat(name, &info) == 0 && S_ISREG(info.st_mode)) {
         auto known = named.emplace(std::make_pair(info.st_dev, info.st_ino), file);
         if (!known.second) {
            ifclose(input);
            error("Sums file [%s] is the file [%s] named before: each batch is pooled once\n", name,
                  known.first->second.c_str());
         }
      }
      String line;
      line.ReadLine(input);
      if (std::string(static_cast<const char*>(line), line.Length()) != firstLine) {
         ifclose(input);
         error("File [%s] is not a sums file of version 1: its first line is not \"%s\"\n", name,
               firstLine.c_str());
      }
      std::unordered_set<std::string> seen;
      std::map<std::string, std::set<std::string>> pairsHere;
      size_t last = 0;
      int64_t lineNumber = 1;
      while (!ifeof(input)) {
         line.ReadLine(input);
         lineNumber++;
         if (line.Length() == 0 || line[0] == '#') continue;
         std::vector<std::string> c = Columns(line);
         int64_t pos = 0, n = 0;
         MarkerSums sums;
         std::string why;
         if (c.size() != 8)
            why = std::to_string(c.size()) + " columns, a sums row has 8";
         else if (!ParseCount(c[1], pos) || !ParseCount(c[5], n) ||
                  !sums.ReadSums(c[6].data(), c[6].data() + c[6].size(), c[7].data(),
                                 c[7].data() + c[7].size()))
            why = "POS and n must be whole numbers, sum and sumsq numbers";
         if (!why.empty()) {
            ifclose(input);
            error("Sums file [%s], line %" PRId64 ": %s\n", name, lineNumber, why.c_str());
         }
         sums.n = n;
         std::string key = c[0] + '\t' + c[1] + '\t' + c[3] + '\t' + c[4];
         if (!seen.insert(key).second) {
            ifclose(input);
            error("Sums file [%s], line %" PRId64 ": marker %s:%s:%s:%s is listed twice\n", name,
                  lineNumber, c[0].c_str(), c[1].c_str(), c[3].c_str(), c[4].c_str());
         }
         if (c[2] != ".") pairsHere[c[2] + " at " + c[0] + ':' + c[1]].insert(c[3] + '/' + c[4]);

         auto found = byKey.find(key);
         if (found != byKey.end()) {
            if (!markers[found->second].sums.Pool(sums)) {
               ifclose(input);
               error("Sums file [%s], line %" PRId64
                     ": the pooled n of marker %s:%s:%s:%s would pass %" PRId64 "\n",
                     name, lineNumber, c[0].c_str(), c[1].c_str(), c[3].c_str(), c[4].c_str(),
                     INT64_MAX);
            }
            last = found->second;
            continue;
         }
         Marker marker;
         marker.chrom = c[0];
         marker.pos = pos;
         marker.id = c[2];
         marker.ref = c[3];
         marker.alt = c[4];
         marker.sums = sums;
         marker.next = markers[last].next;
         markers.push_back(std::move(marker));
         markers[last].next = markers.size() - 1;
         last = markers.size() - 1;
         byKey.emplace(key, last);
      }
      bool failed = iferror(input) != 0;
      ifclose(input);
      if (failed) error("Sums file [%s] could not be read to its end\n", name);

      for (const auto& [marker, pairs] : pairsHere) {
         std::string alleles = Join(pairs);
         auto known = allelesOf.emplace(marker, std::make_pair(alleles, file)).first;
         if (known->second.first != alleles)
            error("Marker %s has the alleles %s in [%s] but %s in [%s]\n", marker.c_str(),
                  known->second.first.c_str(), known->second.second.c_str(), alleles.c_str(), name);
      }
   }

   MarkerRow row;
   int64_t count = 0;
   for (size_t i = markers[0].next; i != 0; i = markers[i].next, count++) {
      const Marker& m = markers[i];
      row.chrom = m.chrom;
      row.pos = m.pos;
      row.id = m.id;
      row.ref = m.ref;
      row.alt = m.alt;
      row.sums = m.sums;
      sink(row);
   }
   return count;
}

void WriteSumsRow(FILE* sums, const MarkerRow& row) {
   Put(sums, row.chrom);
   fprintf(sums, "\t%" PRId64, row.pos);
   for (std::string_view text : {row.id, row.ref, row.alt}) {
      fputc('\t', sums);
      Put(sums, text);
   }
   char sum[64], squares[64];
   row.sums.SumText(sum, sizeof sum);
   row.sums.SquaresText(squares, sizeof squares);
   fprintf(sums, "\t%" PRId64 "\t%s\t%s\n", row.sums.n, sum, squares);
}
