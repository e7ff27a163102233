#include "quality/QualityOutputs.h"

#include <cinttypes>

#include "quality/SumsFile.h"

QualityOutputs::QualityOutputs(OutputSet& outputs, const std::string& prefix, bool writeSums)
    : outputs(outputs), reportName(prefix + ".info"), sumsName(prefix + ".sums") {
   report = outputs.Open(reportName);
   fputs(kInfoReportHeader, report);
   if (writeSums) {
      sums = outputs.Open(sumsName);
      fputs(kSumsHeader, sums);
   }
}

void QualityOutputs::Write(const MarkerRow& row) {
   WriteReportRow(report, row);
   if (sums != nullptr) WriteSumsRow(sums, row);
}

void QualityOutputs::Commit() {
   outputs.CommitAll();
   if (sums != nullptr) printf("Wrote out sums to file [%s] ...\n", sumsName.c_str());
   printf("Wrote out quality measure r2_hat to file [%s] ...\n\n", reportName.c_str());
}

void PoolSums(const std::vector<std::string>& files, QualityOutputs& outputs) {
   int64_t markers = MergeSums(files, outputs.Sink());
   printf("Pooled %d sums files: %" PRId64 " markers\n\n", static_cast<int>(files.size()), markers);
}
