// The numbers of a report's MAF and r2_hat columns.
//
// Reports print three decimals, so a number is kept as an exact count of
// thousandths, which the counts per 0.001 step, the sums and the medians use;
// a number with more decimals is rounded to the nearest thousandth, halves
// away from zero. Beside it the double nearest to the number as written, for
// the comparisons that must be exact (MAF bins, r2_hat thresholds).
#ifndef R2_SUMMARY_REPORTVALUE_H
#define R2_SUMMARY_REPORTVALUE_H

#include <cstdint>

// Numbers at or beyond this size (1e12) cannot come from dosages between 0 and
// 2 and are counted with nan; below it the thousandths fit 64 bits with room
// for their sums.
constexpr double kLargestValue = 1e12;

struct ReportValue {
   enum Kind {
      kNumber,    // value and thousandths are set
      kMissing,   // "-": the report leaves the value undefined
      kNan,       // nan, inf, or a number beyond kLargestValue
      kNotNumber  // anything else: the file is not a report
   };
   Kind kind = kNotNumber;
   double value = 0;
   int64_t thousandths = 0;
};

// Reads the field [begin, end) as a whole; trailing text makes it kNotNumber.
ReportValue ParseReportValue(const char* begin, const char* end);

#endif
