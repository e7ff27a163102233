// The dosage file's lines, split and converted straight from blocks of input
// bytes: the same lines, fields and numbers as reading each line with
// String::ReadLine(IFILE&), splitting it with StringArray::ReplaceTokens at
// " \t\r\n" and converting with atof, without a String per line or per field.
//
// Line ends follow the line reader exactly, including its process-wide
// line-end memory (taken over at construction, handed back by Finish): LF, CR,
// CR LF and LF CR each end one line. Inside a line only blanks and tabs
// separate fields. Nothing of a line is accumulated until the whole line is
// known to carry one dosage per marker, and the sums are formed in line order,
// so the arithmetic is that of the straightforward loop.
#ifndef LOCI_TOOL_DOSAGEPARSER_H
#define LOCI_TOOL_DOSAGEPARSER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// atof of the text [begin, end) as if it stood alone, NUL-terminated.
double ConvertDosage(const char* begin, const char* end);

class DosageParser {
public:
   // The accumulators have `markerCount` entries each and stay the caller's.
   DosageParser(int markerCount, int leadingFields, double* sum, double* sumsq, int64_t* count);

   // The next bytes of the input, in order.
   void Feed(const char* data, size_t size);
   // The end of the input: the last line, if unterminated, is taken too,
   // unless the input ended in a read error, which cut that line short.
   void Finish(bool readError = false);

private:
   void EndField();
   void EndLine();
   void StoreField(const char* begin, const char* end);
   const char* ParseFields(const char* p, const char* end);

   const int markerCount;
   const int leadingFields;
   double* const sum;
   double* const sumsq;
   int64_t* const count;
   std::vector<double> pending;  // this line's dosages until it is accepted

   int last;                  // line-end memory, as the line reader keeps it
   long long lineNumber = 0;  // lines ended so far
   long fields = 0;           // fields of the current line so far
   bool inField = false;
   std::string carry;  // a field cut by the end of a block
};

#endif
