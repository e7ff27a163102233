// String: the text type of the library, an owned, growable, NUL-terminated
// byte string with an explicit length.
//
// Invariants: `buffer` is never null, `buffer[length]` is NUL and
// `capacity > length`. Copies are deep. Capacity only grows.
//
// Process-wide state, unsynchronised: `caseSensitive` picks the exact (Fast)
// or case-folding (Slow) form of the comparisons and searches; the line
// readers of input files and of standard input each keep one line-end memory
// shared by every file they read, so that a CR ending one call and the LF
// starting the next count as one line end.
#ifndef LOCI_BASE_STRINGBASICS_H
#define LOCI_BASE_STRINGBASICS_H

#include <cstdarg>
#include <cstdio>

#include "io/InputFile.h"

class String {
public:
   static int alloc;             // allocation granule
   static bool caseSensitive;    // Fast (true) or Slow (false) comparisons
   static int vsnprintfChecked;  // 0 untested, 1 conforming, 2 not conforming
   static FILE* my_vsnprintf_file;

   explicit String(int startSize = 0);
   String(const char* s);
   String(const String& s);
   String(char ch, int count);
   ~String();

   void Grow(int n);
   void Swap(String& s);

   String& Copy(const String& s);
   String& Copy(const String& s, int start, int count);
   String& Copy(const char* s);

   String& operator=(const String& s) { return Copy(s); }
   String& operator=(const char* s) { return Copy(s); }
   String& operator=(char ch);
   String& operator=(int n);
   String& operator=(unsigned int n);
   String& operator=(double x);

   int SetLength(int n);
   String& Fill(char ch, int n = -1);
   char* LockBuffer(int n = -1);
   void UnlockBuffer();

   operator const char*() const { return buffer; }

   int Length() const { return length; }
   int Capacity() const { return capacity; }
   bool IsEmpty() const { return length == 0; }

   // Concatenation
   String& operator+=(const String& s);
   String& operator+=(const char* s);
   String& operator+=(char ch);
   String& operator+=(int n);
   String& operator+=(unsigned int n);
   String& operator+=(double x);
   String& operator*=(unsigned int n);

   String operator+(const String& s) const;
   String operator+(const char* s) const;
   String operator+(char ch) const;
   String operator+(int n) const;
   String operator+(unsigned int n) const;
   String operator+(double x) const;

   // Substrings
   String SubStr(int start, int count) const;
   String SubStr(int start) const;
   String Mid(int start, int end) const;
   String Left(int n) const;
   String Right(int n) const;

   // Number-aware comparison: where two strings first differ inside runs of
   // digits, the longer run is the larger number ('a9' < 'a10').
   int Compare(const String& s) const;
   int Compare(const char* s) const;
   int FastCompare(const String& s) const;
   int FastCompare(const char* s) const;
   int SlowCompare(const String& s) const;
   int SlowCompare(const char* s) const;

   bool operator!=(const String& s) const { return Compare(s) != 0; }
   bool operator!=(const char* s) const { return Compare(s) != 0; }

   // 0 when this string begins with `stem`.
   int CompareToStem(const String& stem) const;
   int CompareToStem(const char* stem) const;
   int FastCompareToStem(const String& stem) const;
   int FastCompareToStem(const char* stem) const;
   int SlowCompareToStem(const String& stem) const;
   int SlowCompareToStem(const char* stem) const;

   // 0 when this string is a prefix of `s` (or is empty).
   int MatchesBeginningOf(const String& s) const;
   int MatchesBeginningOf(const char* s) const;
   int FastMatchesBeginningOf(const String& s) const;
   int FastMatchesBeginningOf(const char* s) const;
   int SlowMatchesBeginningOf(const String& s) const;
   int SlowMatchesBeginningOf(const char* s) const;

   // First position >= start, or -1. An empty `sub` is never found.
   int Find(const String& sub, int start = 0) const;
   int FastFind(const String& sub, int start = 0) const;
   int SlowFind(const String& sub, int start = 0) const;
   int FindChar(char ch, int start = 0) const;
   int FastFindChar(char ch, int start = 0) const;
   int SlowFindChar(char ch, int start = 0) const;

   // In-place editing
   String& Trim();
   String& Trim(char ch);
   String& Filter(const String& chars);
   String& Filter(const char* chars);
   String& ExcludeCharacters(const String& chars);
   String& ExcludeCharacters(const char* chars);
   String& ToUpper();
   String& ToLower();
   String& Reverse();
   String& Invert();
   String& Invert(const String& s);

   String AsUpper() const;
   String AsLower() const;
   String Capitalize() const;
   String RightToLeft() const;

   bool IsNumber() const;
   long long AsInteger() const;

   // Formatting; each returns the new length.
   int printf(const char* format, ...) LOCI_PRINTF(2, 3);
   int vprintf(const char* format, va_list arglist);
   int catprintf(const char* format, ...) LOCI_PRINTF(2, 3);
   int vcatprintf(const char* format, va_list arglist);

   static void check_vsnprintf();
   static int my_vsnprintf(char* out, int n, const char* format, va_list args);
   static int my_snprintf(char* out, int n, const char* format, ...) LOCI_PRINTF(3, 4);
   static void my_vsnprintf_close_file();

   // Readers empty the string first. End of input is not reported: callers test
   // the stream.
   String& ReadLine(FILE* f);
   String& ReadLine(IFILE& f);
   String& ReadLine();
   String& Read(FILE* f);
   String& Read(IFILE& f);
   String& Read();

   int Write(FILE* f);
   int Write();
   int WriteLine(FILE* f);
   int WriteLine();

private:
   char* buffer;
   int length;
   int capacity;

   void NewString(int startSize);
   // Grow for a length computed in 64 bits; a length past the most a string
   // holds ends the run with a fatal error instead of wrapping around.
   void Reserve(long long n);
   // The capacity Grow(n) would give.
   int GrownCapacity(int n) const;
   int Reformat(int start, const char* format, va_list arglist);
   template <class Source>
   String& ReadLineBytes(Source& source, int& last);
};

String operator+(char lhs, const String& rhs);
String operator+(const char* lhs, const String& rhs);
String operator+(int lhs, const String& rhs);
String operator+(unsigned int lhs, const String& rhs);

#endif
