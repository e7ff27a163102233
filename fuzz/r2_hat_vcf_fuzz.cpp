// The VCF record parser of r2_hat_vcf on arbitrary lines.
//
// Input layout: one flag byte, then text. The first line stands for the
// #CHROM line: its tabs beyond the eight of the fixed columns give the number
// of sample columns. Every further line is parsed as a record. Flag bits:
//   0-1  the field: DS, HDS, GP, DS
//   2    only every other sample is added
//
// Properties: parsing ends without fault; a parsed record has one row of sums
// per alternate allele, none counting more samples than were chosen; and for
// DS the sums are those of a plain reading that converts every value with
// strtod and adds them in column order, bit for bit.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "RecordParser.h"
#include "tests/support/Support.h"

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
   std::vector<std::string> parts(1);
   for (char c : text) {
      if (c == separator)
         parts.emplace_back();
      else
         parts.back() += c;
   }
   return parts;
}

bool Same(double a, double b) {
   return (std::isnan(a) && std::isnan(b)) || a == b;
}

// The DS sums of a record that parsed, each value read whole by the general
// conversion, against the parser's fast paths.
void CheckDosages(const std::string& line, const std::vector<int>& selected,
                  const RecordParser& parser) {
   std::vector<std::string> columns = Split(line, '\t');
   std::vector<MarkerSums> expected(parser.Alternates().size());
   int index = -1;
   if (columns.size() > 8 && columns[4] != ".") {
      std::vector<std::string> keys = Split(columns[8], ':');
      for (size_t k = 0; k < keys.size() && index < 0; k++)
         if (keys[k] == "DS") index = static_cast<int>(k);
   }
   for (int column : selected) {
      if (index < 0) break;
      std::vector<std::string> fields = Split(columns[9 + column], ':');
      if (index >= static_cast<int>(fields.size())) continue;
      std::vector<std::string> values = Split(fields[index], ',');
      LOCI_FUZZ_CHECK(values.size() == expected.size() || values == std::vector<std::string>{"."});
      for (size_t a = 0; a < values.size(); a++) {
         if (values[a] == ".") continue;
         DecimalText d;
         LOCI_FUZZ_CHECK(ReadDecimal(values[a].data(), values[a].data() + values[a].size(), d));
         expected[a].Add(d);
      }
   }
   for (size_t a = 0; a < expected.size(); a++) {
      const MarkerSums& got = parser.Alleles()[a];
      LOCI_FUZZ_CHECK(got.n == expected[a].n && Same(got.Sum(), expected[a].Sum()) &&
                      Same(got.SumOfSquares(), expected[a].SumOfSquares()));
   }
}

void Run(const uint8_t* data, size_t size) {
   if (size == 0) return;
   static const DosageField kFields[] = {DosageField::kDS, DosageField::kHDS, DosageField::kGP,
                                         DosageField::kDS};
   DosageField field = kFields[data[0] & 3];
   std::vector<std::string> lines =
       Split(std::string(reinterpret_cast<const char*>(data) + 1, size - 1), '\n');
   int samples = static_cast<int>(Split(lines[0], '\t').size()) - 9;
   if (samples < 0 || samples > 10000) samples = 0;
   std::vector<int> selected;
   for (int i = 0; i < samples; i += (data[0] & 4) ? 2 : 1) selected.push_back(i);

   RecordParser parser(field, samples, selected);
   for (size_t l = 1; l < lines.size(); l++) {
      const std::string& line = lines[l];
      if (!parser.Parse(line.data(), line.size())) {
         LOCI_FUZZ_CHECK(!parser.Reason().empty());
         continue;
      }
      LOCI_FUZZ_CHECK(parser.Alleles().size() == parser.Alternates().size());
      for (const MarkerSums& s : parser.Alleles())
         LOCI_FUZZ_CHECK(s.n >= 0 && s.n <= static_cast<int64_t>(selected.size()));
      if (field == DosageField::kDS) CheckDosages(line, selected, parser);
   }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   return testsupport::RunWithoutFatal(Run, data, size);
}
