#include "quality/ReportRows.h"

#include "quality/SumsFile.h"

#include <sys/mman.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace {

// A stream that keeps only the size and the ends of what is written to it,
// so that rows gigabytes long can be checked.
struct Ends {
   uint64_t size = 0;
   std::string head, tail;

   static ssize_t Write(void* cookie, const char* data, size_t size) {
      Ends& ends = *static_cast<Ends*>(cookie);
      if (ends.head.size() < 64) ends.head.append(data, std::min<size_t>(size, 64));
      ends.tail.append(data + (size > 64 ? size - 64 : 0), std::min<size_t>(size, 64));
      if (ends.tail.size() > 64) ends.tail.erase(0, ends.tail.size() - 64);
      ends.size += size;
      return static_cast<ssize_t>(size);
   }
};

// An allele longer than printf's int precision: the rows hold it whole,
// then their own columns and line end.
TEST(Report, AlleleOfMoreThanTwoGigabytesIsWrittenWhole) {
   const size_t length = (size_t{1} << 31) + 5;
   // Pages never written read as zeros, and take no memory.
   void* pages =
       mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
   ASSERT_NE(pages, MAP_FAILED);
   MarkerRow row;
   row.chrom = "1";
   row.pos = 100;
   row.id = ".";
   row.ref = std::string_view(static_cast<const char*>(pages), length);
   row.alt = "G";
   DecimalText dosages[2];
   ReadDecimal("0.5", "0.5" + 3, dosages[0]);
   ReadDecimal("1.5", "1.5" + 3, dosages[1]);
   for (const DecimalText& dosage : dosages) row.sums.Add(dosage);

   Ends report, sums;
   for (Ends* ends : {&report, &sums}) {
      FILE* stream = fopencookie(ends, "w", {nullptr, Ends::Write, nullptr, nullptr});
      ASSERT_NE(stream, nullptr);
      if (ends == &report)
         WriteReportRow(stream, row);
      else
         WriteSumsRow(stream, row);
      ASSERT_EQ(fclose(stream), 0);
   }
   munmap(pages, length);

   std::string reportEnd = "\tG\t0.500\t0.500\t2\t1.000\n";
   EXPECT_EQ(report.size, 2 * length + std::string("1:100::G\t").size() + reportEnd.size());
   EXPECT_EQ(report.head.substr(0, 7), std::string("1:100:\0", 7));
   EXPECT_EQ(report.tail.substr(64 - reportEnd.size()), reportEnd);
   std::string sumsEnd = "\tG\t2\t2\t2.5\n";
   EXPECT_EQ(sums.size, length + std::string("1\t100\t.\t").size() + sumsEnd.size());
   EXPECT_EQ(sums.head.substr(0, 8), std::string("1\t100\t.\t"));
   EXPECT_EQ(sums.tail.substr(64 - sumsEnd.size()), sumsEnd);
}

}  // namespace
