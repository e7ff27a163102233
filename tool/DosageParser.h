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

inline bool IsDosageLineEnd(char c) {
   return c == '\n' || c == '\r';
}

// The line-end memory after the byte `c`, given the memory before it: the
// second byte of a CR LF or LF CR pair completes the line end before it.
inline int NextLineEndMemory(int last, char c) {
   if (!IsDosageLineEnd(c)) return 0;
   int other = c == '\n' ? '\r' : '\n';
   return last == other ? 0 : c;
}

// Splits lines into fields and converts the dosage fields; what becomes of a
// line is up to the derived class.
class DosageLines {
public:
   DosageLines(int markerCount, int leadingFields);
   virtual ~DosageLines() = default;
   DosageLines(const DosageLines&) = delete;
   DosageLines& operator=(const DosageLines&) = delete;

   // The next bytes of the input, in order.
   void Feed(const char* data, size_t size);
   // The end of the input: the last line, if unterminated, is taken too,
   // unless the input ended in a read error, which cut that line short.
   void FinishLines(bool readError);

   int LineEndMemory() const { return last; }
   void SetLineEndMemory(int memory) { last = memory; }

protected:
   // A line has ended with `fields` fields (0 for a line without any). The
   // dosages of its first markerCount dosage fields stand in `out`, which may
   // be pointed elsewhere for the next line.
   virtual void LineEnded(long fields) = 0;

   const int markerCount;
   const int leadingFields;
   double* out = nullptr;

private:
   void EndField();
   void EndLine();
   void StoreField(const char* begin, const char* end);
   const char* ParseFields(const char* p, const char* end);

   int last = 0;     // line-end memory, as the line reader keeps it
   long fields = 0;  // fields of the current line so far
   bool inField = false;
   std::string carry;  // a field cut by the end of a block
};

// Adds each accepted line into the accumulators as it ends and prints the
// notice of each skipped line.
class DosageParser : public DosageLines {
public:
   // The accumulators have `markerCount` entries each and stay the caller's;
   // `count` may be null when the caller takes Accepted() instead.
   DosageParser(int markerCount, int leadingFields, double* sum, double* sumsq, int64_t* count);

   // FinishLines, then the counts, and the line-end memory handed back.
   void Finish(bool readError = false);

   // Lines ended so far, for numbering the notices; settable so that a
   // parser can take over in the middle of a file.
   long long LineNumber() const { return lineNumber; }
   void SetLineNumber(long long number) { lineNumber = number; }
   int64_t Accepted() const { return accepted; }

protected:
   void LineEnded(long fields) override;

private:
   double* const sum;
   double* const sumsq;
   int64_t* const count;
   std::vector<double> pending;  // this line's dosages until it is accepted
   long long lineNumber = 0;
   int64_t accepted = 0;
};

// Prints the notice of a line whose field count does not fit the markers.
void PrintSkippedLine(long long lineNumber, long markers, int markerCount);

#endif
