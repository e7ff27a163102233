// What a quality program is asked to read of a file of dosages: a subset of
// its samples, named in a list, and a region of a chromosome.
#ifndef LOCI_QUALITY_SELECTION_H
#define LOCI_QUALITY_SELECTION_H

#include <cstdint>
#include <string>
#include <vector>

// The indexes, ascending, of the samples that `listFile` names (one name per
// line, gzip or plain; empty lines passed over) among `names`, the samples of
// `source`; every index when `listFile` is empty. A name missing from
// `names`, one named twice, an unreadable list or one naming nobody end the
// run through `error`.
std::vector<int> SelectSamples(const std::vector<std::string>& names, const std::string& listFile,
                               const char* source);

// A region: CHR, CHR:FROM, CHR:FROM-, CHR:-TO or CHR:FROM-TO, positions from
// 1 with digits grouped by commas or not; a missing FROM is 1, a missing TO
// the end of the chromosome. A name may itself hold a colon:
// only a suffix of digits, commas and one hyphen is read as the range.
struct Region {
   std::string chrom;
   int64_t from = 1;
   int64_t to = kLargestPosition;

   // Far past any genome, and within what every index can query.
   static constexpr int64_t kLargestPosition = int64_t{1} << 40;

   bool Holds(const std::string& chromosome, int64_t position) const {
      return chromosome == chrom && position >= from && position <= to;
   }
};

// The region `text` names; an empty or invalid one (FROM > TO, positions
// past kLargestPosition) ends the run through `error`.
Region ParseRegion(const std::string& text);

#endif
