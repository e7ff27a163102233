// Dosage sums of one VCF record, from its text line or from the values of a
// BCF record.
//
// A record gives one row per alternate allele: the number n of samples with a
// dosage for that allele, the sum of their dosages and the sum of their
// squares (MarkerSums: exact for decimals of up to nine places). Numbers in
// VCF text are converted exactly as strtod (and so atof) converts them; a
// missing value (".") leaves the sample out of that allele's sums.
//
// The dosage of an alternate allele comes from one FORMAT field:
//   DS   one value per alternate allele;
//   HDS  one value per alternate allele for each haplotype, haplotype after
//        haplotype: the dosage is the sum over the haplotypes;
//   GP   one probability per genotype, in VCF order (haploid: one per
//        allele): the dosage is the expected number of copies of the allele,
//        P(het) + 2 P(hom alt) for a biallelic record.
#ifndef LOCI_R2_HAT_VCF_RECORDPARSER_H
#define LOCI_R2_HAT_VCF_RECORDPARSER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/DecimalText.h"
#include "quality/MarkerSums.h"

enum class DosageField { kDS, kHDS, kGP };

const char* FieldName(DosageField field);

// The per-allele sums of one record, filled sample by sample.
class RecordSums {
public:
   explicit RecordSums(DosageField field) : field(field) {}

   void Reset(int alternateAlleles);
   // Adds one sample's values of the dosage field; `missing[i]` marks a ".".
   // False, with Reason(), when the number of values fits no layout of the
   // field for this many alleles.
   bool AddSample(const DecimalText* values, const char* missing, int count);

   const std::vector<MarkerSums>& Alleles() const { return alleles; }
   std::vector<MarkerSums>& MutableAlleles() { return alleles; }
   const std::string& Reason() const { return reason; }

private:
   DosageField field;
   std::vector<MarkerSums> alleles;
   std::vector<DecimalText> dosage;
   std::vector<char> present;
   std::string reason;
};

// Splits VCF data lines and adds up the dosages of the chosen samples.
class RecordParser {
public:
   // `selected` holds, in ascending order, the columns (0-based, among the
   // `headerSamples` sample columns) whose dosages are added.
   RecordParser(DosageField field, int headerSamples, std::vector<int> selected);

   // Parses one data line without its line end; false, with Reason(), when
   // it is malformed. The views below point into `line`.
   bool Parse(const char* line, size_t length);

   std::string_view chrom, id, ref, alt;
   int64_t pos = 0;
   // The alternate alleles, one view each into `alt`.
   const std::vector<std::string_view>& Alternates() const { return alternates; }
   const std::vector<MarkerSums>& Alleles() const { return sums.Alleles(); }
   const std::string& Reason() const { return reason; }
   // The sample column (0-based) that made Parse fail, or -1.
   int FailedSample() const { return failedSample; }

private:
   bool Fail(std::string why);
   int FieldIndex(std::string_view format);
   // Adds the sample column that begins at `p`; returns where its dosages
   // end, or null when they are malformed.
   const char* AddColumn(const char* p, const char* end, int index);

   DosageField field;
   int headerSamples;
   std::vector<int> selected;
   RecordSums sums;
   std::vector<std::string_view> alternates;
   std::string lastFormat;
   int lastIndex = -1;
   std::vector<DecimalText> values;
   std::vector<char> missing;
   std::string reason;
   int failedSample = -1;
};

#endif
