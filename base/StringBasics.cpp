#include "base/StringBasics.h"

#include "base/Growth_internal.h"
#include "base/StringBasics_internal.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "io/Error.h"
#include "io/InputFile_internal.h"

int String::alloc = 8;
bool String::caseSensitive = true;
int String::vsnprintfChecked = 0;
FILE* String::my_vsnprintf_file = nullptr;

namespace {
// toupper of the C locale (which every program keeps) for the signed
// characters the comparisons work on, without a call per character: bytes
// above 127 keep their (negative) value, so Fast and Slow order them alike.
inline int Fold(char c) {
   return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}
inline bool IsDigit(char c) {
   return c >= '0' && c <= '9';
}

// The line-end memories of the byte-by-byte line readers, one per source kind.
int ifileLineEnd = 0;
int stdinLineEnd = 0;
}  // namespace

int& loci_internal::IfileLineEnd() {
   return ifileLineEnd;
}

namespace {
int maxStringLength = INT_MAX - 1;
}

int& loci_internal::MaxStringLength() {
   return maxStringLength;
}

namespace {
// The length of a C string, refused when no string can hold it.
int HeldLength(const char* s) {
   size_t n = strlen(s);
   if (n > static_cast<size_t>(maxStringLength))
      error("A string of %zu characters is longer than the %d a string can hold\n", n,
            maxStringLength);
   return static_cast<int>(n);
}
}  // namespace

void loci_internal::LineTooLong(const void* stream) {
   error("Input file [%s] has a line longer than %d characters, more than a string can hold\n",
         StreamName(stream), maxStringLength);
}

namespace {

// Number-aware comparison of A against B. Both are NUL-terminated; A has
// `length` characters, B `bLength`, or -1 when B ends at its first NUL. Text
// read from files may hold NUL bytes, so a NUL inside A must not carry the
// scan past B's end.
template <bool fold>
int CompareNumberAware(const char* a, int length, const char* b, int bLength) {
   int i = 0;
   while (i <= length && (fold ? Fold(a[i]) == Fold(b[i]) : a[i] == b[i])) {
      if (b[i] == 0 && (bLength < 0 || i >= bLength)) return i < length ? 1 : 0;
      i++;
   }
   if (i > length) return -1;  // B goes on after a NUL where A ends

   char ca = a[i], cb = b[i];
   if (IsDigit(ca)) {
      if (!IsDigit(cb)) return 1;
      int j = i + 1;
      for (; IsDigit(a[j]); j++)
         if (!IsDigit(b[j])) return 1;
      if (IsDigit(b[j])) return -1;
   } else if (IsDigit(cb)) {
      return -1;
   }
   return fold ? Fold(ca) - Fold(cb) : ca - cb;
}

template <bool fold>
int CompareStem(const char* text, const char* stem) {
   for (int i = 0; stem[i] != 0; i++) {
      int a = fold ? Fold(text[i]) : text[i];
      int b = fold ? Fold(stem[i]) : stem[i];
      if (a != b) return a - b;
   }
   return 0;
}
}  // namespace

// ---------------------------------------------------------------- storage

void String::NewString(int startSize) {
   length = 0;
   if (startSize > maxStringLength)
      error("A string of %d characters is longer than the %d a string can hold\n", startSize,
            maxStringLength);
   long long granules = (static_cast<long long>(startSize) + alloc) / alloc;
   // As in growing: the capacity stays within the limit.
   capacity = static_cast<int>(std::min<long long>(alloc * granules, maxStringLength + 1LL));
   buffer = new char[capacity];
   buffer[0] = 0;
}

String::String(int startSize) {
   NewString(startSize);
}

String::String(const char* s) {
   int len = s == nullptr ? 0 : HeldLength(s);
   NewString(len);
   if (len > 0) memcpy(buffer, s, len + 1);
   length = len;
}

String::String(const String& s) {
   NewString(s.length);
   memcpy(buffer, s.buffer, s.length + 1);
   length = s.length;
}

String::String(char ch, int count) {
   if (count < 0) count = 0;
   NewString(count);
   memset(buffer, ch, count);
   buffer[count] = 0;
   length = count;
}

String::~String() {
   delete[] buffer;
}

int String::GrownCapacity(int n) const {
   return capacity > n ? capacity : loci_internal::GrownCapacity(alloc, capacity, n);
}

void String::Grow(int n) {
   Reserve(n);
}

void String::Reserve(long long n) {
   // Checked before the capacity: a buffer allocated with room to spare must
   // not let a string pass the limit either.
   if (n > maxStringLength)
      error("A string of %lld characters is longer than the %d a string can hold\n", n,
            maxStringLength);
   if (capacity > n) return;
   int newCapacity = GrownCapacity(static_cast<int>(n));
   // Never more than the limit allows, so that the line readers, which grow
   // only when full, meet the limit exactly.
   if (newCapacity > maxStringLength + 1) newCapacity = maxStringLength + 1;
   char* fresh = new char[newCapacity];
   memcpy(fresh, buffer, length + 1);
   delete[] buffer;
   buffer = fresh;
   capacity = newCapacity;
}

void String::Swap(String& s) {
   char* b = buffer;
   buffer = s.buffer;
   s.buffer = b;
   int t = length;
   length = s.length;
   s.length = t;
   t = capacity;
   capacity = s.capacity;
   s.capacity = t;
}

String& String::Copy(const String& s) {
   if (&s == this) return *this;
   Grow(s.length);
   memcpy(buffer, s.buffer, s.length + 1);
   length = s.length;
   return *this;
}

String& String::Copy(const char* s) {
   if (s == nullptr) {
      length = 0;
      buffer[0] = 0;
      return *this;
   }
   int len = HeldLength(s);
   // `s` may point into this buffer; memmove keeps that safe as long as
   // growing does not free it first, which it cannot: len < capacity then.
   Grow(len);
   memmove(buffer, s, len + 1);
   length = len;
   return *this;
}

String& String::Copy(const String& s, int start, int count) {
   if (start < s.length) {
      int n = s.length - start;
      if (count < n) n = count;
      if (n < 0) n = 0;
      if (&s == this) {
         memmove(buffer, buffer + start, n);
      } else {
         Grow(n);
         memcpy(buffer, s.buffer + start, n);
      }
      buffer[n] = 0;
      length = n;
   } else {
      length = 0;
      buffer[0] = 0;
   }
   return *this;
}

String& String::operator=(char ch) {
   if (ch == 0) {
      length = 0;
      buffer[0] = 0;
   } else {
      Grow(1);
      buffer[0] = ch;
      buffer[1] = 0;
      length = 1;
   }
   return *this;
}

String& String::operator=(unsigned int n) {
   int digits = 1;
   for (unsigned long long p = 10; p <= n; p *= 10) digits++;
   Grow(digits);
   for (int i = digits - 1; i >= 0; i--) {
      buffer[i] = static_cast<char>('0' + n % 10);
      n /= 10;
   }
   buffer[digits] = 0;
   length = digits;
   return *this;
}

String& String::operator=(int n) {
   if (n >= 0) return *this = static_cast<unsigned int>(n);
   // Negating in unsigned arithmetic keeps the most negative int exact.
   unsigned int magnitude = 0u - static_cast<unsigned int>(n);
   *this = magnitude;
   Reserve(static_cast<long long>(length) + 1);
   memmove(buffer + 1, buffer, length + 1);
   buffer[0] = '-';
   length++;
   return *this;
}

String& String::operator=(double x) {
   LockBuffer(32);
   int needed = snprintf(buffer, capacity, "%.3f", x);
   if (needed >= capacity) {
      Grow(needed);
      snprintf(buffer, capacity, "%.3f", x);
   }
   UnlockBuffer();
   return *this;
}

int String::SetLength(int n) {
   if (n > length) {
      Grow(n);
      memset(buffer + length, ' ', n - length);
   }
   if (n >= 0) {
      buffer[n] = 0;
      length = n;
   }
   return n;
}

String& String::Fill(char ch, int n) {
   if (n >= 0) SetLength(n);
   memset(buffer, ch, length);
   return *this;
}

char* String::LockBuffer(int n) {
   if (n >= 1) Grow(n);
   return buffer;
}

void String::UnlockBuffer() {
   const char* end = static_cast<const char*>(memchr(buffer, 0, capacity));
   if (end == nullptr) error("BasicString - direct access overflowed buffer");
   length = static_cast<int>(end - buffer);
}

// ---------------------------------------------------------------- concatenation

String& String::operator+=(const String& s) {
   int added = s.length;  // read before growing: `s` may be this string
   Reserve(static_cast<long long>(length) + added);
   memmove(buffer + length, s.buffer, added + 1);
   length += added;
   return *this;
}

String& String::operator+=(const char* s) {
   if (s == nullptr) return *this;
   int added = HeldLength(s);
   if (s >= buffer && s < buffer + capacity) {
      // Appending a piece of this string: the copy outlives growth.
      String copy(s);
      return *this += copy;
   }
   Reserve(static_cast<long long>(length) + added);
   memcpy(buffer + length, s, added + 1);
   length += added;
   return *this;
}

String& String::operator+=(char ch) {
   if (ch == 0) return *this;
   Reserve(static_cast<long long>(length) + 1);
   buffer[length++] = ch;
   buffer[length] = 0;
   return *this;
}

String& String::operator+=(int n) {
   String text;
   text = n;
   return *this += text;
}

String& String::operator+=(unsigned int n) {
   String text;
   text = n;
   return *this += text;
}

String& String::operator+=(double x) {
   String text;
   text = x;
   return *this += text;
}

String& String::operator*=(unsigned int n) {
   if (n == 0) {
      length = 0;
      buffer[0] = 0;
      return *this;
   }
   int unit = length;
   long long total = static_cast<long long>(n) * unit;
   Reserve(total);
   for (long long i = 1; i < n; i++) memcpy(buffer + i * unit, buffer, unit);
   length = static_cast<int>(total);
   buffer[length] = 0;
   return *this;
}

String String::operator+(const String& s) const {
   String result(*this);
   result += s;
   return result;
}

String String::operator+(const char* s) const {
   String result(*this);
   result += s;
   return result;
}

String String::operator+(char ch) const {
   String result(*this);
   result += ch;
   return result;
}

String String::operator+(int n) const {
   String result(*this);
   result += n;
   return result;
}

String String::operator+(unsigned int n) const {
   String result(*this);
   result += n;
   return result;
}

String String::operator+(double x) const {
   String result(*this);
   result += x;
   return result;
}

String operator+(char lhs, const String& rhs) {
   String result;
   result = lhs;
   result += rhs;
   return result;
}

String operator+(const char* lhs, const String& rhs) {
   String result(lhs);
   result += rhs;
   return result;
}

String operator+(int lhs, const String& rhs) {
   String result;
   result = lhs;
   result += rhs;
   return result;
}

String operator+(unsigned int lhs, const String& rhs) {
   String result;
   result = lhs;
   result += rhs;
   return result;
}

// ---------------------------------------------------------------- substrings

String String::SubStr(int start, int count) const {
   if (start < 0) {
      count += start;
      start = 0;
   }
   String result;
   if (start >= length) return result;
   int n = length - start;
   if (count < n) n = count;
   if (n <= 0) return result;
   result.Grow(n);
   memcpy(result.buffer, buffer + start, n);
   result.buffer[n] = 0;
   result.length = n;
   return result;
}

String String::SubStr(int start) const {
   return SubStr(start, length - start);
}

String String::Mid(int start, int end) const {
   return SubStr(start, end - start + 1);
}

String String::Left(int n) const {
   if (n < 0) n = 0;
   if (n > length) n = length;
   return SubStr(0, n);
}

String String::Right(int n) const {
   if (n < 0) n = 0;
   if (n > length) n = length;
   return SubStr(length - n, n);
}

// ---------------------------------------------------------------- comparison

int String::FastCompare(const String& s) const {
   return CompareNumberAware<false>(buffer, length, s.buffer, s.length);
}

int String::FastCompare(const char* s) const {
   if (s == nullptr) return -length;
   return CompareNumberAware<false>(buffer, length, s, -1);
}

int String::SlowCompare(const String& s) const {
   return CompareNumberAware<true>(buffer, length, s.buffer, s.length);
}

int String::SlowCompare(const char* s) const {
   if (s == nullptr) return -length;
   return CompareNumberAware<true>(buffer, length, s, -1);
}

int String::Compare(const String& s) const {
   return caseSensitive ? FastCompare(s) : SlowCompare(s);
}

int String::Compare(const char* s) const {
   return caseSensitive ? FastCompare(s) : SlowCompare(s);
}

int String::FastCompareToStem(const String& stem) const {
   return CompareStem<false>(buffer, stem.buffer);
}
int String::FastCompareToStem(const char* stem) const {
   return stem == nullptr ? 0 : CompareStem<false>(buffer, stem);
}
int String::SlowCompareToStem(const String& stem) const {
   return CompareStem<true>(buffer, stem.buffer);
}
int String::SlowCompareToStem(const char* stem) const {
   return stem == nullptr ? 0 : CompareStem<true>(buffer, stem);
}
int String::CompareToStem(const String& stem) const {
   return caseSensitive ? FastCompareToStem(stem) : SlowCompareToStem(stem);
}
int String::CompareToStem(const char* stem) const {
   return caseSensitive ? FastCompareToStem(stem) : SlowCompareToStem(stem);
}

// The roles of text and stem exchanged, but the difference keeps this string's
// character first.
int String::FastMatchesBeginningOf(const String& s) const {
   return -CompareStem<false>(s.buffer, buffer);
}
int String::FastMatchesBeginningOf(const char* s) const {
   return -CompareStem<false>(s == nullptr ? "" : s, buffer);
}
int String::SlowMatchesBeginningOf(const String& s) const {
   return -CompareStem<true>(s.buffer, buffer);
}
int String::SlowMatchesBeginningOf(const char* s) const {
   return -CompareStem<true>(s == nullptr ? "" : s, buffer);
}
int String::MatchesBeginningOf(const String& s) const {
   return caseSensitive ? FastMatchesBeginningOf(s) : SlowMatchesBeginningOf(s);
}
int String::MatchesBeginningOf(const char* s) const {
   return caseSensitive ? FastMatchesBeginningOf(s) : SlowMatchesBeginningOf(s);
}

int String::FastFind(const String& sub, int start) const {
   if (sub.length == 0 || start < 0 || start > length - sub.length) return -1;
   for (int i = start; i <= length - sub.length; i++)
      if (memcmp(buffer + i, sub.buffer, sub.length) == 0) return i;
   return -1;
}

int String::SlowFind(const String& sub, int start) const {
   if (sub.length == 0 || start < 0 || start > length - sub.length) return -1;
   for (int i = start; i <= length - sub.length; i++) {
      int j = 0;
      while (j < sub.length && Fold(buffer[i + j]) == Fold(sub.buffer[j])) j++;
      if (j == sub.length) return i;
   }
   return -1;
}

int String::Find(const String& sub, int start) const {
   return caseSensitive ? FastFind(sub, start) : SlowFind(sub, start);
}

int String::FastFindChar(char ch, int start) const {
   if (start < 0 || start >= length) return -1;
   const void* hit = memchr(buffer + start, ch, length - start);
   return hit == nullptr ? -1 : static_cast<int>(static_cast<const char*>(hit) - buffer);
}

int String::SlowFindChar(char ch, int start) const {
   if (start < 0 || start >= length) return -1;
   int target = Fold(ch);
   for (int i = start; i < length; i++)
      if (Fold(buffer[i]) == target) return i;
   return -1;
}

int String::FindChar(char ch, int start) const {
   return caseSensitive ? FastFindChar(ch, start) : SlowFindChar(ch, start);
}

// ---------------------------------------------------------------- editing

namespace {
template <class Keep>
void KeepInPlace(char* buffer, int& length, Keep keep) {
   int out = 0;
   for (int i = 0; i < length; i++)
      if (keep(buffer[i])) buffer[out++] = buffer[i];
   buffer[out] = 0;
   length = out;
}

template <class Strip>
void TrimInPlace(char* buffer, int& length, Strip strip) {
   int lead = 0;
   while (lead < length && strip(buffer[lead])) lead++;
   int tail = length;
   while (tail > lead && strip(buffer[tail - 1])) tail--;
   length = tail - lead;
   memmove(buffer, buffer + lead, length);
   buffer[length] = 0;
}
}  // namespace

String& String::Trim() {
   TrimInPlace(buffer, length, [](char c) { return isspace(static_cast<unsigned char>(c)) != 0; });
   return *this;
}

String& String::Trim(char ch) {
   TrimInPlace(buffer, length, [ch](char c) { return c == ch; });
   return *this;
}

String& String::Filter(const String& chars) {
   KeepInPlace(buffer, length, [&chars](char c) { return chars.FindChar(c, 0) != -1; });
   return *this;
}

String& String::Filter(const char* chars) {
   return Filter(String(chars));
}

String& String::ExcludeCharacters(const String& chars) {
   KeepInPlace(buffer, length, [&chars](char c) { return chars.FindChar(c, 0) == -1; });
   return *this;
}

String& String::ExcludeCharacters(const char* chars) {
   return ExcludeCharacters(String(chars));
}

String& String::ToUpper() {
   for (int i = 0; i < length; i++) buffer[i] = static_cast<char>(Fold(buffer[i]));
   return *this;
}

String& String::ToLower() {
   for (int i = 0; i < length; i++)
      if (buffer[i] >= 0) buffer[i] = static_cast<char>(tolower(buffer[i]));
   return *this;
}

String& String::Reverse() {
   for (int i = 0, j = length - 1; i < j; i++, j--) {
      char t = buffer[i];
      buffer[i] = buffer[j];
      buffer[j] = t;
   }
   return *this;
}

String& String::Invert() {
   return Reverse();
}

String& String::Invert(const String& s) {
   Copy(s);
   return Reverse();
}

String String::AsUpper() const {
   String result(*this);
   return result.ToUpper();
}

String String::AsLower() const {
   String result(*this);
   return result.ToLower();
}

String String::Capitalize() const {
   String result(*this);
   if (result.length > 0) result.buffer[0] = static_cast<char>(Fold(result.buffer[0]));
   return result;
}

String String::RightToLeft() const {
   String result(*this);
   return result.Reverse();
}

// ---------------------------------------------------------------- conversion

bool String::IsNumber() const {
   int p = 0;
   if (buffer[p] == '+' || buffer[p] == '-') p++;
   int digitsStart = p;
   while (IsDigit(buffer[p])) p++;
   bool integerPart = p > digitsStart;
   bool fractionPart = false;
   if (buffer[p] == '.') {
      p++;
      int fractionStart = p;
      while (IsDigit(buffer[p])) p++;
      fractionPart = p > fractionStart;
   }
   if (!integerPart && !fractionPart) return false;
   if (buffer[p] == 'E' || buffer[p] == 'e') {
      p++;
      if (buffer[p] == '+' || buffer[p] == '-') p++;
      if (!IsDigit(buffer[p])) return false;
      while (IsDigit(buffer[p])) p++;
   }
   return p == length;
}

long long String::AsInteger() const {
   int p = 0;
   bool negative = false;
   if (buffer[0] == '-') {
      negative = true;
      p = 1;
   }
   int base = 10;
   if (length > p + 2 && buffer[p] == '0' && (buffer[p + 1] == 'x' || buffer[p + 1] == 'X')) {
      base = 16;
      p += 2;
   }
   // Wrapping arithmetic: an overlong number must not be undefined behaviour.
   unsigned long long value = 0;
   for (; p < length; p++) {
      int c = Fold(buffer[p]);
      int digit;
      if (c >= '0' && c <= '9')
         digit = c - '0';
      else if (base == 16 && c >= 'A' && c <= 'F')
         digit = c - 'A' + 10;
      else
         break;
      value = value * base + digit;
   }
   if (negative) value = 0ull - value;
   return static_cast<long long>(value);
}

// ---------------------------------------------------------------- formatting

void String::check_vsnprintf() {
   if (vsnprintfChecked != 0) return;
   char scratch[100];
   memset(scratch, 0, sizeof(scratch));
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-truncation"
#endif
   int r = snprintf(scratch, 5, "%5s", "VSNPRINTF");
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
   if (scratch[6] != 0 || scratch[7] != 0 || (r != 9 && r != -1))
      vsnprintfChecked = 2;
   else
      vsnprintfChecked = 1;
}

void String::my_vsnprintf_close_file() {
   if (my_vsnprintf_file != nullptr) fclose(my_vsnprintf_file);
   my_vsnprintf_file = nullptr;
}

int String::my_vsnprintf(char* out, int n, const char* format, va_list args) {
   if (my_vsnprintf_file == nullptr) {
      my_vsnprintf_file = tmpfile();
      if (my_vsnprintf_file == nullptr)
         error("String formatting needs a temporary file, and none could be created");
      atexit(my_vsnprintf_close_file);
   }
   FILE* f = my_vsnprintf_file;
   rewind(f);
   int r = vfprintf(f, format, args);
   rewind(f);
   if (r < 0) return r;
   if (r < n) {
      out[r] = 0;
      if (fread(out, 1, r, f) != static_cast<size_t>(r)) return -1;
   } else if (n > 0) {
      if (fread(out, 1, n, f) != static_cast<size_t>(n)) return -1;
   }
   return r;
}

int String::my_snprintf(char* out, int n, const char* format, ...) {
   va_list ap;
   va_start(ap, format);
   int r = my_vsnprintf(out, n, format, ap);
   va_end(ap);
   return r;
}

namespace {
// A formatter that keeps answering -1 for a reason other than lack of room
// would otherwise double the buffer forever.
const int kMaxFormatCapacity = 1 << 30;

int Format(char* out, int room, const char* format, va_list args) {
   va_list copy;
   va_copy(copy, args);
   int r = String::vsnprintfChecked == 1 ? vsnprintf(out, room, format, copy)
                                         : String::my_vsnprintf(out, room, format, copy);
   va_end(copy);
   return r;
}
}  // namespace

// Arguments may point into this string's own text, so the new piece is
// formatted apart and only then copied in. Appending grows the string as
// operator+= does, so a long run of appends costs amortised linear time.
int String::Reformat(int start, const char* format, va_list arglist) {
   check_vsnprintf();
   char local[512];
   std::unique_ptr<char[]> heap;
   char* piece = local;
   int room = sizeof(local);
   int r;
   while (true) {
      r = Format(piece, room, format, arglist);
      if (r >= 0 && r < room) break;
      if (r >= 0) {
         if (r >= maxStringLength)
            error("A string of %d characters is longer than the %d a string can hold\n", r,
                  maxStringLength);
         room = r + 1;
      } else {
         // The old convention for "too small": no size given, so double.
         if (room >= kMaxFormatCapacity) error("String formatting failed for \"%s\"", format);
         room *= 2;
      }
      heap.reset(new char[room]);
      piece = heap.get();
   }
   Reserve(static_cast<long long>(start) + r);
   memcpy(buffer + start, piece, r);
   length = start + r;
   buffer[length] = 0;
   return length;
}

int String::vprintf(const char* format, va_list arglist) {
   return Reformat(0, format, arglist);
}

int String::vcatprintf(const char* format, va_list arglist) {
   return Reformat(length, format, arglist);
}

int String::printf(const char* format, ...) {
   va_list ap;
   va_start(ap, format);
   int r = vprintf(format, ap);
   va_end(ap);
   return r;
}

int String::catprintf(const char* format, ...) {
   va_list ap;
   va_start(ap, format);
   int r = vcatprintf(format, ap);
   va_end(ap);
   return r;
}

// ---------------------------------------------------------------- input

// The chunked scan "%128[^\n\r]%1[\n\r]", then 256, 512, ... characters a
// chunk, done byte by byte on the locked stream rather than with fscanf: the
// same bytes consumed, the same look-ahead and end-of-file state, and the same
// treatment of NUL bytes (a chunk keeps what precedes its first NUL).
String& String::ReadLine(FILE* f) {
   length = 0;
   buffer[0] = 0;
   if (f == nullptr) return *this;

   flockfile(f);
   int lineEnd = 0;
   long long width = 128;
   long long reserved = 0;
   for (bool first = true;; first = false) {
      if (!first) width *= 2;
      // The chunks stop at the limit: there the line must end, or it is too
      // long to hold (never split into two lines).
      if (width > maxStringLength - reserved) width = maxStringLength - reserved;
      if (width == 0) {
         int c = getc_unlocked(f);
         if (c == '\n' || c == '\r') lineEnd = c;
         if (c == EOF || lineEnd != 0) break;
         funlockfile(f);
         loci_internal::LineTooLong(f);
      }
      reserved += width;
      LockBuffer(static_cast<int>(reserved));
      char* chunk = buffer + length;
      long long got = 0;
      int c = 0;
      while (got < width) {
         c = getc_unlocked(f);
         if (c == EOF || c == '\n' || c == '\r') break;
         chunk[got++] = static_cast<char>(c);
      }
      // A full chunk: the line end, if it comes next, belongs to this scan.
      if (got == width) c = getc_unlocked(f);
      chunk[got] = 0;
      length += static_cast<int>(strlen(chunk));
      if (c == '\n' || c == '\r') {
         lineEnd = c;
         break;
      }
      if (c == EOF) break;
      ungetc(c, f);
   }
   int next = lineEnd == '\n' ? '\r' : lineEnd == '\r' ? '\n' : 0;
   if (next != 0) {
      int c = getc_unlocked(f);
      if (c != next && c != EOF) ungetc(c, f);
   }
   funlockfile(f);
   return *this;
}

namespace {
struct IfileSource {
   IFILE& file;
   int Get() { return ifgetchar(file); }
   const void* Stream() const { return file.handle; }
};
struct StdinSource {
   int Get() { return getc(stdin); }
   const void* Stream() const { return stdin; }
};

// One line from `source` up to its line end, each byte of the line handed to
// `keep`. `last` is the line-end memory of the source kind.
template <class Source, class Keep>
void ScanLine(Source& source, int& last, Keep keep) {
   while (true) {
      int c = source.Get();
      if (c == EOF) return;
      if (c == '\n') {
         if (last == '\r') {
            last = 0;
            continue;
         }
         last = '\n';
         return;
      }
      if (c == '\r') {
         if (last == '\n') {
            last = 0;
            continue;
         }
         last = '\r';
         return;
      }
      keep(static_cast<char>(c));
      last = c;
   }
}
}  // namespace

template <class Source>
String& String::ReadLineBytes(Source& source, int& last) {
   length = 0;
   buffer[0] = 0;
   ScanLine(source, last, [&](char c) {
      // Capacity never passes the limit by more than the NUL, so a full
      // buffer is where a line too long is met.
      if (length + 1 == capacity) {
         if (length >= maxStringLength) loci_internal::LineTooLong(source.Stream());
         Grow(length + 1);
      }
      buffer[length++] = c;
   });
   buffer[length] = 0;
   return *this;
}

String& String::ReadLine(IFILE& f) {
   if (f.handle == nullptr) {
      length = 0;
      buffer[0] = 0;
      return *this;
   }
   IfileSource source{f};
   return ReadLineBytes(source, ifileLineEnd);
}

String& String::ReadLine() {
   StdinSource source;
   return ReadLineBytes(source, stdinLineEnd);
}

void loci_internal::SkipLine(IFILE& file) {
   if (file.handle == nullptr) return;
   IfileSource source{file};
   ScanLine(source, ifileLineEnd, [](char) {});
}

String& String::Read(FILE* f) {
   length = 0;
   buffer[0] = 0;
   if (f == nullptr) return *this;
   char separator[2] = {'G', 0};
   int reserved = 0;
   while (strchr(" \t\n\r\f", separator[0]) == nullptr || separator[0] == 0) {
      if (reserved > maxStringLength - 128) loci_internal::LineTooLong(f);
      reserved += 128;
      LockBuffer(reserved);
      int r = fscanf(f, " %128[^ \t\n\r\f]%1[ \t\n\r\f]", buffer + length, separator);
      if (r == 0 || r == EOF) {
         buffer[length] = 0;
         break;
      }
      UnlockBuffer();
   }
   return *this;
}

String& String::Read(IFILE& f) {
   length = 0;
   buffer[0] = 0;
   if (f.handle == nullptr) return *this;
   while (true) {
      int c = ifgetchar(f);
      if (c == EOF) break;
      bool separator = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0;
      if (separator) {
         if (length == 0) continue;
         break;
      }
      if (length + 1 == capacity) {
         if (length >= maxStringLength) loci_internal::LineTooLong(f.handle);
         Grow(length + 1);
      }
      buffer[length++] = static_cast<char>(c);
   }
   buffer[length] = 0;
   return *this;
}

String& String::Read() {
   return Read(stdin);
}

int String::Write(FILE* f) {
   return fputs(buffer, f);
}

int String::Write() {
   return Write(stdout);
}

int String::WriteLine(FILE* f) {
   if (f == nullptr) return 0;
   return fprintf(f, "%s\n", buffer);
}

int String::WriteLine() {
   return WriteLine(stdout);
}
