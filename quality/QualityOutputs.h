// The outputs of a quality program: PREFIX.info, the report in the info
// layout, and with sums PREFIX.sums, written through an OutputSet that was
// told every input first, so that they appear whole and together or not at
// all, and never replace an input.
#ifndef LOCI_QUALITY_QUALITYOUTPUTS_H
#define LOCI_QUALITY_QUALITYOUTPUTS_H

#include <cstdio>
#include <string>
#include <vector>

#include "io/OutputFile.h"
#include "quality/ReportRows.h"

class QualityOutputs {
public:
   // Opens the outputs and writes their headers.
   QualityOutputs(OutputSet& outputs, const std::string& prefix, bool writeSums);

   // Writes the marker's row to the report, and to the sums.
   void Write(const MarkerRow& row);
   RowSink Sink() {
      return [this](const MarkerRow& row) { Write(row); };
   }

   // Commits every output and prints where each went.
   void Commit();

private:
   OutputSet& outputs;
   std::string reportName, sumsName;
   FILE* report;
   FILE* sums = nullptr;
};

// The whole of --merge: pools the sums files of batches of samples (see
// SumsFile.h) into the outputs and prints "Pooled N sums files: M markers".
void PoolSums(const std::vector<std::string>& files, QualityOutputs& outputs);

#endif
