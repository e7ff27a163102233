#include "pedigree/PedigreeDescription.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/MathVector.h"
#include "base/StringBasics_internal.h"
#include "io/Error.h"
#include "pedigree/FortranFormat.h"
#include "pedigree/MapFunction.h"

namespace {

const char* const kSeparators = " \t\n\r\f";

// Skipped-column runs beyond this are typing errors, not pedigree files; the
// cap keeps one line from demanding gigabytes or overflowing the count.
constexpr long kMostColumns = 20000000;

// Saturates instead of wrapping, so an overlong number can never land in
// range and pass a check.
long long ReadInteger(const String& token) {
   return strtoll(token, nullptr, 10);
}

void ClearColumns(PedigreeDescription& d) {
   d.columns.Dimension(0);
   d.columnHash.Dimension(0);
   d.columnCount = 0;
}

void AddColumn(PedigreeDescription& d, int kind, int id) {
   d.columns.Append(kind);
   d.columnHash.Append(id);
   d.columnCount++;
}

// A run of skipped columns in one step: a run may be millions long.
void AddSkippedColumns(PedigreeDescription& d, int n) {
   int at = d.columns.Length();
   for (IntArray* entries : {&d.columns, &d.columnHash}) {
      entries->Dimension(at + n);
      std::fill(&(*entries)[at], &(*entries)[at] + n, 0);
   }
   static_assert(pdSkip == 0, "skipped columns carry kind and ID 0");
   d.columnCount += n;
}

void EndColumns(PedigreeDescription& d) {
   d.columns.Append(pdEnd);
   d.columnHash.Append(0);
}

// Lines are read again from the start: a line end remembered from before the
// rewind must not swallow the first byte of the file.
void Rewind(IFILE& input) {
   ifrestart(input);
   loci_internal::IfileLineEnd() = 0;
}

void CheckReadToEnd(IFILE& input, const char* what, const char* filename) {
   if (iferror(input))
      error("%s [%s] could not be read to its end: %s\n", what, filename, ifstrerror(input));
}

bool DigitAt(const String& line, int index) {
   return index < line.Length() && isdigit(static_cast<unsigned char>(line[index]));
}

// Locus name, locus type and two counts in columns 1-8, 9-16, 17-18, 19-21.
bool LooksLikeMendel(const String& line) {
   if (line.Length() < 19) return false;
   String type = line.SubStr(8, 8);
   if (type.SlowCompare("AUTOSOME") != 0 && type.SlowCompare("X-LINKED") != 0) return false;
   if (!DigitAt(line, 16) && !DigitAt(line, 17)) return false;
   return DigitAt(line, 18) || DigitAt(line, 19) || (line.Length() > 19 && DigitAt(line, 20));
}

void LinkageEndsUnexpectedly() {
   error("Linkage data file ends unexpectedly\n");
}

// The count line that opens the extra lines of an affection or quantitative
// locus; anything below one would shift every later locus by some lines.
long long ReadPositiveCount(IFILE& input, String& buffer, StringArray& tokens, const String& locus,
                            const char* what) {
   if (PedigreeDescription::ReadLineHelper(input, buffer, tokens) == 0) LinkageEndsUnexpectedly();
   long long count = ReadInteger(tokens[0]);
   if (count < 1)
      error("Expecting the number of %s at locus %s, a positive integer, but input has:\n%s\n",
            what, static_cast<const char*>(locus), static_cast<const char*>(buffer));
   return count;
}

void SkipLinkageLines(IFILE& input, String& buffer, StringArray& tokens, long long count) {
   for (long long i = 0; i < count; i++)
      if (PedigreeDescription::ReadLineHelper(input, buffer, tokens) == 0)
         LinkageEndsUnexpectedly();
}

String LinkageLocusName(const StringArray& tokens, int ordinal) {
   if (tokens.Length() > 2 && tokens[2][0] == '#') {
      if (tokens[2].Length() > 1) return tokens[2].SubStr(1);
      if (tokens.Length() > 3) return tokens[3];
   }
   return String("LOCUS") + ordinal;
}

// Entry 0 (the missing allele) is 0; the rest scaled to sum to 1.
void ReadLinkageFrequencies(IFILE& input, String& buffer, StringArray& tokens, long long alleles,
                            const String& locus, Vector& freq, bool& adjusted) {
   int count = PedigreeDescription::ReadLineHelper(input, buffer, tokens);
   if (alleles != count)
      error("Expecting %lld allele frequencies, but input has %d columns:\n%s\n", alleles, count,
            static_cast<const char*>(buffer));
   freq.Dimension(count + 1);
   freq[0] = 0.0;
   for (int i = 0; i < count; i++) freq[i + 1] = strtod(tokens[i], nullptr);
   double sum = freq.Sum();
   if (!(sum > 0) || std::isinf(sum))
      error("Allele frequencies at %s sum to %f, which doesn't make sense\n",
            static_cast<const char*>(locus), sum);
   if (freq.Min() < 0)
      error("Allele frequencies at %s include negative values, which doesn't make sense\n",
            static_cast<const char*>(locus));
   if (fabs(sum - 1.0) > 1.2e-5) {
      printf("Allele frequencies at %s sum to %f, adjusted to 1.0\n",
             static_cast<const char*>(locus), sum);
      adjusted = true;
   }
   if (sum != 1.0)
      for (int i = 0; i < freq.Length(); i++) freq[i] /= sum;
}

void ReadRecombinationFractions(IFILE& input, String& buffer, StringArray& tokens, int orderCount,
                                Vector& fractions) {
   int count = PedigreeDescription::ReadLineHelper(input, buffer, tokens);
   if (count != orderCount - 1)
      error(
          "Error retrieving recombination information\n\n"
          "Expecting %d recombination fractions (current map includes %d loci)\n"
          "Instead the following line was input:\n%s\n",
          orderCount - 1, orderCount, static_cast<const char*>(buffer));
   fractions.Dimension(count);
   for (int i = 0; i < count; i++) {
      // Read by strtod, a word or "nan" would silently become a fraction.
      double value = tokens[i].IsNumber() ? strtod(tokens[i], nullptr) : NAN;
      if (std::isnan(value) || std::isinf(value))
         error("Linkage datafile specifies recombination fraction '%s', which is not a number\n",
               static_cast<const char*>(tokens[i]));
      if (value < 0) error("Linkage datafile specifies negative recombination fractions");
      fractions[i] = value;
   }
}

void MendelNegativeCount(const String& locus) {
   error("Negative count in Mendel data file, at locus %s\n", static_cast<const char*>(locus));
}

}  // namespace

PedigreeDescription::PedigreeDescription() : columnCount(0), mendelFormat(0) {}

PedigreeDescription::~PedigreeDescription() {}

PedigreeDescription& PedigreeDescription::operator=(const PedigreeDescription& rhs) {
   columnCount = rhs.columnCount;
   columns = rhs.columns;
   columnHash = rhs.columnHash;
   return *this;
}

int PedigreeDescription::ReadLineHelper(IFILE& input, String& buffer, StringArray& tokens) {
   String text;
   do {
      buffer.ReadLine(input);
      buffer.Trim();
      text = buffer;
      int comment = text.FastFind(">>");
      if (comment == -1) comment = text.FastFind("<<");
      if (comment != -1) text.SetLength(comment);
      if (text[0] == '#') text.SetLength(0);
      if (tokens.ReplaceTokens(text, kSeparators) > 0) return tokens.Length();
   } while (!ifeof(input));
   return 0;
}

void PedigreeDescription::Load(const char* name, bool warnFormat) {
   IFILE input = ifopen(name, "rb");
   if (input == nullptr)
      error(
          "The datafile %s cannot be opened\n\n"
          "Common causes for this problem are:\n"
          "  * You might not have used the correct options to specify input file names,\n"
          "    please check the program documentation for information on how to do this\n\n"
          "  * The file doesn't exist or the filename might have been misspelt\n\n"
          "  * The file exists but it is being used by another program which you will need\n"
          "    to close before continuing\n\n"
          "  * The file is larger than 2GB and you haven't compiled this application with\n"
          "    large file support.\n\n",
          name);
   Load(input, warnFormat);
   CheckReadToEnd(input, "Data file", name);
   ifclose(input);
   filename = name;
}

void PedigreeDescription::Load(IFILE& input, bool warnFormat) {
   mendelFormat = 0;
   String buffer;
   StringArray tokens;
   int count = ReadLineHelper(input, buffer, tokens);
   Rewind(input);

   if (count == 4 && isdigit(static_cast<unsigned char>(tokens[0][0]))) {
      if (warnFormat) puts("Data file looks like a LINKAGE format file...\n");
      LoadLinkageDataFile(input);
      return;
   }
   if (LooksLikeMendel(buffer)) {
      puts(
          "Data file looks like a MENDEL format file...\n"
          "   Activating EXPERIMENTAL support for this format\n");
      LoadMendelDataFile(input);
      return;
   }

   ClearColumns(*this);
   int line = 0;
   while (!ifeof(input)) {
      buffer.ReadLine(input);
      line++;
      if (tokens.ReplaceTokens(buffer, kSeparators) == 0) continue;
      if (tokens.Length() == 1)
         error("Problem reading data file:\nItem #%d (of type %s) has no name.", columnCount + 1,
               static_cast<const char*>(tokens[0]));
      const String& kind = tokens[0];
      const char* name = tokens[1];
      switch (toupper(static_cast<unsigned char>(kind[0]))) {
         case 'M':
            AddColumn(*this, pdMarker, GetMarkerID(name));
            break;
         case 'T':
            AddColumn(*this, pdTrait, GetTraitID(name));
            break;
         case 'A':
            AddColumn(*this, pdAffection, GetAffectionID(name));
            break;
         case 'C':
            AddColumn(*this, pdCovariate, GetCovariateID(name));
            break;
         case 'Z':
            AddColumn(*this, pdZygosity, 0);
            break;
         case 'S': {
            long skipped = strtol(static_cast<const char*>(kind) + 1, nullptr, 10);
            if (skipped < 1) skipped = 1;
            if (skipped > kMostColumns - columnCount)
               error("Problem in data file (line %d):\n%s\n", line,
                     static_cast<const char*>(buffer));
            AddSkippedColumns(*this, static_cast<int>(skipped));
            break;
         }
         case 'U':
            if (kind.Length() >= 3 && toupper(static_cast<unsigned char>(kind[1])) == 'T' &&
                toupper(static_cast<unsigned char>(kind[2])) == 'C') {
               int covariate = GetCovariateID(name);
               int trait = GetTraitID(name);
               if (covariate > 32766 || trait > 32766)
                  error("Internal error processing data file\n");
               AddColumn(*this, pdCovariateTrait, trait * 32768 + covariate);
               break;
            }
            error("Problem in data file (line %d):\n%s\n", line, static_cast<const char*>(buffer));
         case 'V':
            GetMarkerID(name);
            break;
         case 'E':
            EndColumns(*this);
            return;
         default:
            error("Problem in data file (line %d):\n%s\n", line, static_cast<const char*>(buffer));
      }
   }
   EndColumns(*this);
}

void PedigreeDescription::LoadLinkageDataFile(const char* name) {
   IFILE input = ifopen(name, "rb");
   if (input == nullptr)
      error(
          "The linkage format datafile %s cannot be opened\n\n"
          "Please check that the file exists and is not being used by another program\n"
          "To find out how to set input filenames, check the documentation\n",
          name);
   LoadLinkageDataFile(input);
   CheckReadToEnd(input, "Data file", name);
   ifclose(input);
   filename = name;
}

void PedigreeDescription::LoadLinkageDataFile(IFILE& input) {
   ClearColumns(*this);
   String buffer;
   StringArray tokens;

   ReadLineHelper(input, buffer, tokens);
   long long lociCount = tokens.Length() == 4 ? ReadInteger(tokens[0]) : -1;
   if (tokens.Length() != 4 || ReadInteger(tokens[2]) != (chromosomeX ? 1 : 0) || lociCount < 0 ||
       lociCount > INT_MAX)
      error(
          "Cannot handle first line of data file\n\n"
          "Expecting four (4) numeric values, which correspond to:\n"
          "   num-loci   -- number of loci in the pedigree\n"
          "                 this value must be positive\n"
          "   risk-locus -- locus for which risks should be calculated\n"
          "                 this value will be ignored\n"
          "   sex-link   -- are the loci sex linked [0 - No, 1 - Yes]\n"
          "                 %s\n"
          "   program    -- which LINKAGE program do you want to use?\n"
          "                 this value will also be ignored\n\n"
          "The actual input read:\n%s\n",
          chromosomeX ? "expecting X-linked data, so this value must be ONE (1)"
                      : "expecting autosomal data, so this must be ZERO (0)",
          static_cast<const char*>(buffer));

   ReadLineHelper(input, buffer, tokens);
   if (tokens.Length() != 4 || ReadInteger(tokens[0]) != 0 || ReadInteger(tokens[3]) != 0)
      error(
          "Cannot handle second line of data file\n\n"
          "Expecting four (4) numeric values, which correspond to:\n"
          "   mutation-model         -- must be zero, corresponding to no mutation\n"
          "   male-mutation-rate     -- ignored\n"
          "   female-mutation-rate   -- ignored\n"
          "   linkage-disequilibrium -- must be zero, may be used in the future to\n"
          "                             read haplotype frequencies\n\n"
          "The actual input read:\n%s\n",
          static_cast<const char*>(buffer));

   StringArray order;
   ReadLineHelper(input, buffer, order);
   if (order.Length() > lociCount)
      error(
          "The third line of the data file lists marker order\n\n"
          "Although %lld loci are defined [in the first line],\n"
          "this line includes %d values:\n%s\n",
          lociCount, order.Length(), static_cast<const char*>(buffer));

   IntArray locusMarker;  // marker ID of each locus read, -1 for other loci
   bool adjusted = false;
   Vector freq;
   for (int ordinal = 1; ordinal <= lociCount; ordinal++) {
      if (ReadLineHelper(input, buffer, tokens) == 0) error("Linkage data file ends unexpectedly");
      if (tokens.Length() == 1)
         error(
             "Incomplete locus information in data file\n"
             "Information for each locus should include 2 or more fiels\n"
             "The expected fields are:\n"
             "   field_type  -- indicator of locus type (trait, marker,...)\n"
             "   alleles     -- number of alleles\n"
             "   name        -- locus name, preceded by hash (#) sign\n\n"
             "The actual input read:\n%s\n",
             static_cast<const char*>(buffer));
      long long type = ReadInteger(tokens[0]);
      long long alleles = ReadInteger(tokens[1]);
      String name = LinkageLocusName(tokens, ordinal);

      if (type == 4 && (alleles == 0 || alleles == 1)) {
         AddColumn(*this, pdCovariate, GetCovariateID(name));
         locusMarker.Append(-1);
         continue;
      }
      if (type == 0 && alleles == 0) {
         AddColumn(*this, pdTrait, GetTraitID(name));
         locusMarker.Append(-1);
         continue;
      }

      ReadLinkageFrequencies(input, buffer, tokens, alleles, name, freq, adjusted);

      if (type == 1) {
         AddColumn(*this, pdAffection, GetAffectionID(name));
         long long classes = ReadPositiveCount(input, buffer, tokens, name, "liability classes");
         if (classes > 1) AddColumn(*this, pdSkip, 0);
         // A count past any file ends it early; doubling must not overflow.
         long long lines =
             chromosomeX ? (classes > LLONG_MAX / 2 ? LLONG_MAX : 2 * classes) : classes;
         SkipLinkageLines(input, buffer, tokens, lines);
         locusMarker.Append(-1);
      } else if (type == 3) {
         int marker = GetMarkerID(name);
         AddColumn(*this, pdMarker, marker);
         MarkerInfo* info = GetMarkerInfo(marker);
         info->freq = freq;
         info->alleleLabels.Clear();
         for (int allele = 0; allele <= alleles; allele++)
            info->alleleLabels.Add(String() + allele);
         info->IndexAlleles();
         locusMarker.Append(marker);
      } else if (type == 0) {
         long long traits = ReadPositiveCount(input, buffer, tokens, name, "traits");
         for (long long k = 1; k <= traits; k++) {
            if (ReadLineHelper(input, buffer, tokens) == 0) LinkageEndsUnexpectedly();
            AddColumn(*this, pdTrait, GetTraitID(k == 1 ? name : name + "." + static_cast<int>(k)));
         }
         SkipLinkageLines(input, buffer, tokens, 2);
         locusMarker.Append(-1);
      } else if (type == 2) {
         error(
             "The data file includes binary factors\n"
             "Regretably, loci of this type are not supported\n\n");
      } else {
         error("Unsupported locus type [%lld] in data file", type);
      }
   }
   if (adjusted) printf("\n");
   EndColumns(*this);

   ReadLineHelper(input, buffer, tokens);
   long long sexDifference = tokens.Length() == 2 ? ReadInteger(tokens[0]) : -1;
   if (tokens.Length() != 2 || (sexDifference != 0 && sexDifference != 2) ||
       ReadInteger(tokens[1]) != 0)
      error(
          "Error retrieving recombination information\n\n"
          "Expecting two (2) numeric values, which correspond to:\n"
          "   sex-difference   -- must be zero (no difference) or two (sex specific "
          "recombination)\n"
          "   map-function     -- must be zero, that is, no interference\n"
          "The actual input read:\n%s\n",
          static_cast<const char*>(buffer));

   bool sexSpecific = sexDifference == 2;
   Vector female, male;
   ReadRecombinationFractions(input, buffer, tokens, order.Length(), female);
   if (sexSpecific)
      ReadRecombinationFractions(input, buffer, tokens, order.Length(), male);
   else
      male = female;
   bool centimorgans = female.Max() > 0.5 || male.Max() > 0.5;
   if (centimorgans)
      puts(
          "  Some recombination fractions in datafile are greater than 0.5,\n"
          "  so recombination fractions will be interpreted as cM distances\n");

   double femaleSum = 0.0, maleSum = 0.0;
   bool placed = false;
   for (int i = 0; i < order.Length(); i++) {
      long long locus = ReadInteger(order[i]) - 1;
      if (locus < 0 || locus >= locusMarker.Length())
         error("The marker order in the linkage datafile is invalid\n");
      int marker = locusMarker[static_cast<int>(locus)];
      if (marker >= 0) {
         MarkerInfo* info = GetMarkerInfo(marker);
         info->chromosome = chromosomeX ? 9999 : 0;
         if (sexSpecific) {
            info->positionFemale = femaleSum;
            info->positionMale = maleSum;
            info->position = (femaleSum + maleSum) * 0.5;
         } else {
            info->position = info->positionFemale = info->positionMale = femaleSum;
         }
         placed = true;
      }
      if (placed && i + 1 < order.Length()) {
         femaleSum += centimorgans ? female[i] * 0.01 : RecombinationToDistance(female[i]);
         maleSum += centimorgans ? male[i] * 0.01 : RecombinationToDistance(male[i]);
      }
   }
}

void PedigreeDescription::LoadMendelDataFile(const char* name) {
   IFILE input = ifopen(name, "rb");
   if (input == nullptr)
      error(
          "The MENDEL format datafile %s cannot be opened\n\n"
          "Please check that the file exists and is not being used by another program\n"
          "To find out how to set input filenames, check the documentation\n",
          name);
   LoadMendelDataFile(input);
   CheckReadToEnd(input, "Data file", name);
   ifclose(input);
}

void PedigreeDescription::LoadMendelDataFile(IFILE& input) {
   mendelFormat = 1;
   ClearColumns(*this);
   FortranFormat parser;
   parser.SetInputFile(input);
   String locus, type, label, frequency, phenotype;
   while (true) {
      parser.SetFormat("(2A8,I2,I3)");
      parser.GetNextField(locus);
      parser.GetNextField(type);
      int alleles = parser.GetNextInteger();
      int phenotypes = parser.GetNextInteger();
      // Blank lines between loci, or after the last one, are not loci.
      if (locus.IsEmpty() && type.IsEmpty() && alleles == 0 && phenotypes == 0) {
         if (ifeof(input)) break;
         continue;
      }

      if (type.Compare("AUTOSOME") != 0 && type.Compare("X-LINKED") != 0)
         error(
             "Unrecognized locus type '%s' in Mendel data file\n\n"
             "Recognized locus types are \"AUTOSOME\" and \"X-LINKED\".",
             static_cast<const char*>(type));
      if (type.Compare("AUTOSOME") == 0 && chromosomeX)
         error(
             "The data file indicates that locus %s is AUTOSOMAL, but\n"
             "X-LINKED loci were expected as input\n",
             static_cast<const char*>(locus));
      if (type.Compare("X-LINKED") == 0 && !chromosomeX)
         error(
             "The data file indicates that locus %s is X-LINKED, but\n"
             "AUTOSOMAL loci were expected as input\n",
             static_cast<const char*>(locus));
      if (locus.IsEmpty()) error("Blank locus name encountered in data file\n");
      if (alleles < 0 || phenotypes < 0) MendelNegativeCount(locus);

      parser.SetFormat("(2A8)");
      if (phenotypes == 0) {
         int marker = GetMarkerID(locus);
         AddColumn(*this, pdMarker, marker);
         MarkerInfo* info = GetMarkerInfo(marker);
         info->alleleLabels.Clear();
         info->alleleLabels.Add("");
         info->freq.Dimension(0);
         for (int allele = 1; allele <= alleles; allele++) {
            parser.GetNextField(label);
            parser.GetNextField(frequency);
            if (label.IsEmpty())
               error("Locus %s is missing allele label for allele #%d\n",
                     static_cast<const char*>(locus), allele);
            info->alleleLabels.Add(label);
            if (frequency.IsEmpty()) continue;
            if (info->freq.Length() == 0) info->freq.Push(0.0);
            info->freq.Push(strtod(frequency, nullptr));
         }
         info->IndexAlleles();
         if (info->freq.Length() > 0 && info->freq.Length() != info->alleleLabels.Length())
            error("Locus %s is missing allele frequency information for %d alleles\n",
                  static_cast<const char*>(locus),
                  info->alleleLabels.Length() - info->freq.Length());
         continue;
      }

      for (int allele = 1; allele <= alleles; allele++) {
         parser.GetNextField(label);
         parser.GetNextField(frequency);
      }
      // The second count is the number of phenotype records that follow.
      for (int p = 1; p <= phenotypes; p++) {
         parser.SetFormat("(A8,I3)");
         parser.GetNextField(phenotype);
         int genotypes = parser.GetNextInteger();
         if (phenotype.IsEmpty())
            error("Locus %s is missing the name of phenotype #%d\n",
                  static_cast<const char*>(locus), p);
         if (genotypes < 0) MendelNegativeCount(locus);
         parser.SetFormat("(A17)");
         for (int g = 0; g < genotypes; g++) parser.GetNextField(label);
         AddColumn(*this, pdAffection, GetAffectionID(locus + "->" + phenotype));
      }
   }
   EndColumns(*this);
}

void PedigreeDescription::LoadMap(const char* name) {
   IFILE input = ifopen(name, "rb");
   if (input == nullptr)
      error(
          "The mapfile %s cannot be opened\n\n"
          "Please check that the file exists and is not being used by another program\n"
          "To find out how to set input filenames, check the documentation\n",
          name);
   LoadMap(input);
   CheckReadToEnd(input, "Map file", name);
   ifclose(input);
}

void PedigreeDescription::LoadMap(IFILE& input) {
   ClearColumns(*this);
   String buffer;
   StringArray tokens;
   do buffer.ReadLine(input);
   while (tokens.ReplaceTokens(buffer, kSeparators) == 0 && !ifeof(input));
   if (tokens.Length() != 3)
      error(
          "Error reading map file header, which has %d columns.\n"
          "Three columns were expected, corresponding to\n"
          "MARKER_ID, MARKER_NAME and BASE_PAIR_POSITION\n"
          "The offending header is transcribed below:\n\n%s",
          tokens.Length(), static_cast<const char*>(buffer));
   printf(
       "Map file column labels\n"
       "  -- COLUMN 1, Expecting MARKER_ID, Read %s\n"
       "  -- COLUMN 2, Expecting MARKER_NAME, Read %s\n"
       "  -- COLUMN 3, Expection BASE_PAIR_POSITION, Read %s\n\n",
       static_cast<const char*>(tokens[0]), static_cast<const char*>(tokens[1]),
       static_cast<const char*>(tokens[2]));

   int line = 1;
   long previous = 0;
   while (!ifeof(input)) {
      buffer.ReadLine(input);
      line++;
      int count = tokens.ReplaceTokens(buffer, kSeparators);
      if (count == 0) continue;
      if (count != 3)
         error(
             "Each line in the map file should have 3 tokens, corresponding\n"
             "to MARKER_ID, MARKER_NAME and BASE_PAIR_POSITION respectively\n"
             "However, there are %d tokens in line %d, transcribed below:\n\n%s",
             count, line, static_cast<const char*>(buffer));
      if (ReadInteger(tokens[0]) != columnCount + 1)
         error(
             "Reading Marker Index from Map File...\n"
             "Markers should be indexed consecutively starting at 1\n"
             "Marker %d does not fit this pattern\n",
             columnCount + 1);
      long position = strtol(tokens[2], nullptr, 10);
      if (position < previous)
         error(
             "Reading Marker Position from Map File...\n"
             "Marker position should be in base-pairs\n"
             "and markers should be in map order\n");
      previous = position;
      int marker = GetMarkerID(tokens[1]);
      AddColumn(*this, pdMarker, marker);
      GetMarkerInfo(marker)->position = position * 1e-8;
   }
   EndColumns(*this);
}

int PedigreeDescription::CountTextColumns() {
   int count = 0;
   for (int i = 0; i < columnCount; i++) count += columns[i] == pdMarker ? 2 : 1;
   return count;
}

int PedigreeDescription::CountColumns(int kind) {
   int count = 0;
   for (int i = 0; i < columnCount; i++)
      if (columns[i] == kind) count++;
   return count;
}

void PedigreeDescription::ColumnSummary(String& out) {
   out = "";
   UpdateSummary(out, pdMarker, " markers [x2 cols]");
   UpdateSummary(out, pdTrait, " traits");
   UpdateSummary(out, pdAffection, " discrete traits");
   UpdateSummary(out, pdCovariate, " covariates");
   UpdateSummary(out, pdZygosity, " zygosity");
   UpdateSummary(out, pdSkip, " skipped");
}

void PedigreeDescription::UpdateSummary(String& out, int kind, const char* label) {
   int count = CountColumns(kind);
   if (count == 0) return;
   if (!out.IsEmpty()) out += ", ";
   out += count;
   out += label;
}
