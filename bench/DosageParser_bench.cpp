// Micro-benchmarks of the dosage reader's inner steps: converting one field,
// and parsing whole lines, against the straightforward line reader.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/StringArray.h"
#include "base/StringBasics.h"
#include "tool/DosageParser.h"

namespace {

std::vector<std::string> Fields() {
   std::vector<std::string> fields;
   for (int i = 0; i < 4096; i++) {
      char text[16];
      snprintf(text, sizeof text, "%d.%03d", (i * 7) % 3, (i * 131) % 1000);
      fields.push_back(text);
   }
   return fields;
}

void BM_Atof(benchmark::State& state) {
   std::vector<std::string> fields = Fields();
   size_t i = 0;
   for (auto _ : state) benchmark::DoNotOptimize(atof(fields[i++ & 4095].c_str()));
}
BENCHMARK(BM_Atof);

void BM_ConvertDosage(benchmark::State& state) {
   std::vector<std::string> fields = Fields();
   size_t i = 0;
   for (auto _ : state) {
      const std::string& f = fields[i++ & 4095];
      benchmark::DoNotOptimize(ConvertDosage(f.data(), f.data() + f.size()));
   }
}
BENCHMARK(BM_ConvertDosage);

std::string Lines(int markers, int lines) {
   std::vector<std::string> fields = Fields();
   std::string text;
   for (int l = 0; l < lines; l++) {
      text += "FAM IND";
      for (int m = 0; m < markers; m++) text += " " + fields[(l * 31 + m) & 4095];
      text += "\n";
   }
   return text;
}

void BM_ParserLines(benchmark::State& state) {
   const int markers = 2000;
   std::string text = Lines(markers, 50);
   std::vector<double> sum(markers), sumsq(markers);
   std::vector<int64_t> count(markers);
   for (auto _ : state) {
      DosageParser parser(markers, 2, sum.data(), sumsq.data(), count.data());
      parser.Feed(text.data(), text.size());
      parser.Finish();
   }
   state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParserLines);

void BM_TokenisedLines(benchmark::State& state) {
   const int markers = 2000;
   std::string text = Lines(markers, 50);
   String separators(" \t\r\n");
   std::vector<double> sum(markers);
   for (auto _ : state) {
      StringArray tokens;
      size_t start = 0;
      while (start < text.size()) {
         size_t end = text.find('\n', start);
         String line(text.substr(start, end - start).c_str());
         tokens.ReplaceTokens(line, separators);
         for (int i = 0; i < markers; i++) sum[i] += atof(tokens[2 + i]);
         start = end + 1;
      }
   }
   state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_TokenisedLines);

}  // namespace
