#include "ReportFile.h"

#include <cstring>
#include <memory>
#include <vector>

#include "io/Error.h"
#include "io/InputFile.h"
#include "io/ReadAhead.h"

namespace {

struct Layout {
   const char* columns[8];
   int fields, maf, r2;
};

const Layout kLayouts[] = {
    {{"Marker", "nIndiv", "Freq1", "MAF", "R2_hat"}, 5, 3, 4},
    {{"SNP", "Al1", "Al2", "Freq1", "MAF", "nIndiv", "r2_hat"}, 7, 4, 6},
};

// The fields of a line (the first kKept of them) and how many it has.
struct Fields {
   static const int kKept = 8;
   const char* begin[kKept];
   const char* end[kKept];
   int64_t count = 0;  // a line of any length may hold more than 2^31 tabs

   void Add(const char* first, const char* last) {
      if (count < kKept) {
         begin[count] = first;
         end[count] = last;
      }
      count++;
   }

   bool Is(int i, const char* text) const {
      size_t length = strlen(text);
      return static_cast<size_t>(end[i] - begin[i]) == length &&
             memcmp(begin[i], text, length) == 0;
   }
};

// Eight bytes at a time: the bytes equal to `byte` get their high bit set,
// the others none (exact, without the carries of the shorter form).
uint64_t Matches(uint64_t word, unsigned char byte) {
   const uint64_t low7 = 0x7f7f7f7f7f7f7f7fu;
   uint64_t x = word ^ (0x0101010101010101u * byte);
   return ~(((x & low7) + low7) | x | low7);
}

uint64_t Load(const char* p) {
   uint64_t word;
   memcpy(&word, p, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
   word = __builtin_bswap64(word);
#endif
   return word;
}

class Reader {
public:
   Reader(const char* name_, Summary& summary_, Density& density_)
       : name(name_), summary(summary_), density(density_) {}

   // Splits the complete lines of [begin, end), which ends with a line feed,
   // at tabs. Reads up to 7 bytes past `end`, which the caller provides.
   void Lines(const char* begin, const char* end) {
      const char* fieldStart = begin;
      for (const char* p = begin; p < end; p += 8) {
         uint64_t found = Matches(Load(p), '\t') | Matches(Load(p), '\n');
         if (end - p < 8) found &= (uint64_t(1) << (8 * (end - p))) - 1;
         for (; found != 0; found &= found - 1) {
            const char* at = p + (__builtin_ctzll(found) >> 3);
            fields.Add(fieldStart, at);
            fieldStart = at + 1;
            if (*at == '\n') {
               Line();
               fields.count = 0;
            }
         }
      }
   }

   bool SawHeader() const { return layout != nullptr; }
   int64_t Rows() const { return rows; }

private:
   void Line() {
      lineNumber++;
      int last = static_cast<int>(fields.count < Fields::kKept ? fields.count : Fields::kKept) - 1;
      if (fields.end[last] > fields.begin[last] && fields.end[last][-1] == '\r') fields.end[last]--;
      if (layout == nullptr) {
         for (const Layout& candidate : kLayouts) {
            bool matches = fields.count == candidate.fields;
            for (int i = 0; matches && i < candidate.fields; i++)
               matches = fields.Is(i, candidate.columns[i]);
            if (matches) layout = &candidate;
         }
         if (layout == nullptr)
            error(
                "File [%s] is not a report: its first line is not the header of either "
                "layout (Marker nIndiv Freq1 MAF R2_hat, or SNP Al1 Al2 Freq1 MAF nIndiv "
                "r2_hat)\n",
                name);
         return;
      }
      if (fields.count == 1 && fields.end[0] == fields.begin[0]) return;
      if (fields.count != layout->fields)
         error("Line %lld of report [%s] has %lld fields, its header %d\n",
               static_cast<long long>(lineNumber), name, static_cast<long long>(fields.count),
               layout->fields);
      ReportValue maf = Value(layout->maf), r2 = Value(layout->r2);
      summary.Add(maf, r2);
      density.Add(maf, r2);
      rows++;
   }

   ReportValue Value(int column) {
      ReportValue value = ParseReportValue(fields.begin[column], fields.end[column]);
      if (value.kind == ReportValue::kNotNumber)
         error("Line %lld of report [%s]: %s [%.*s] is not a number\n",
               static_cast<long long>(lineNumber), name, layout->columns[column],
               static_cast<int>(fields.end[column] - fields.begin[column]), fields.begin[column]);
      return value;
   }

   const char* name;
   Summary& summary;
   Density& density;
   const Layout* layout = nullptr;
   Fields fields;
   int64_t lineNumber = 0;
   int64_t rows = 0;
};

}  // namespace

int64_t ReadReport(const char* name, Summary& summary, Density& density) {
   IFILE file = ifopen(name, "rb");
   if (file == nullptr) error("Report [%s] could not be opened\n", name);
   int64_t rows = ReadReport(file, name, summary, density);
   ifclose(file);
   return rows;
}

int64_t ReadReport(IFILE& file, const char* name, Summary& summary, Density& density) {
   Reader reader(name, summary, density);
   // Room behind the data for a closing line feed and the scan's last word.
   const size_t kSlack = 9;
   std::vector<char> buffer;
   size_t held = 0;  // bytes of an unfinished line at the front of the buffer
   {
      // A gzip report takes little longer than inflating it.
      std::unique_ptr<BlockSource> source = OpenIfileSource(file, nullptr);
      BlockPipeline input(*source, 1 << 20, 4);
      const char* block;
      size_t blockSize;
      while (input.Next(block, blockSize)) {
         if (buffer.size() < held + blockSize + kSlack)
            buffer.resize(2 * (held + blockSize + kSlack));
         char* data = buffer.data();
         memcpy(data + held, block, blockSize);
         size_t size = held + blockSize, complete = size;
         while (complete > 0 && data[complete - 1] != '\n') complete--;
         reader.Lines(data, data + complete);
         held = size - complete;
         memmove(data, data + complete, held);
      }
   }
   if (iferror(file))
      error("Report [%s] could not be read to its end: %s\n", name, ifstrerror(file));
   if (held > 0) {
      if (buffer.size() < held + kSlack) buffer.resize(held + kSlack);
      buffer[held] = '\n';
      reader.Lines(buffer.data(), buffer.data() + held + 1);
   }
   if (!reader.SawHeader()) error("File [%s] is not a report: it is empty\n", name);
   return reader.Rows();
}
