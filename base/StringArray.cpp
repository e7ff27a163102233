#include "base/StringArray.h"

#include <cstring>

#include "base/Growth_internal.h"
#include "base/Sort.h"
#include "base/StringBasics_internal.h"
#include "io/Error.h"

int StringArray::alloc = 32;

StringArray::StringArray(int startSize) {
   count = startSize;
   capacity = alloc * ((startSize + alloc) / alloc);
   items = new String*[capacity];
   for (int i = 0; i < count; i++) items[i] = new String;
}

StringArray::StringArray(const StringArray& source) {
   count = source.count;
   capacity = alloc * ((count + alloc) / alloc);
   items = new String*[capacity];
   for (int i = 0; i < count; i++) items[i] = new String(*source.items[i]);
}

StringArray::~StringArray() {
   for (int i = 0; i < count; i++) delete items[i];
   delete[] items;
}

StringArray& StringArray::operator=(const StringArray& rhs) {
   if (&rhs == this) return *this;
   Clear();
   for (int i = 0; i < rhs.count; i++) Add(*rhs.items[i]);
   return *this;
}

void StringArray::Grow(int n) {
   // Callers ask for count + 1 at most past the count, so refusing at the
   // limit keeps every count below INT_MAX.
   if (n > loci_internal::MaxStringLength())
      error("A list of %d strings is longer than the %d a list can hold\n", n,
            loci_internal::MaxStringLength());
   if (capacity > n) return;
   int newCapacity = loci_internal::GrownCapacity(alloc, capacity, n);
   String** fresh = new String*[newCapacity];
   if (count > 0) memcpy(fresh, items, sizeof(String*) * count);
   delete[] items;
   items = fresh;
   capacity = newCapacity;
}

void StringArray::Dimension(int n) {
   if (n > count) {
      Grow(n);
      for (int i = count; i < n; i++) items[i] = new String;
      count = n;
   } else {
      if (n < 0) n = 0;
      for (int i = n; i < count; i++) delete items[i];
      count = n;
   }
}

void StringArray::Clear() {
   for (int i = 0; i < count; i++) delete items[i];
   count = 0;
}

void StringArray::Swap(StringArray& other) {
   String** t = items;
   items = other.items;
   other.items = t;
   int n = capacity;
   capacity = other.capacity;
   other.capacity = n;
   n = count;
   count = other.count;
   other.count = n;
}

String& StringArray::Last() const {
   if (count == 0) error("StringArray: Null String Access");
   return *items[count - 1];
}

int StringArray::CharLength() const {
   int total = 0;
   for (int i = 0; i < count; i++) total += items[i]->Length();
   return total;
}

int StringArray::Add(const String& s) {
   Grow(count + 1);
   items[count] = new String(s);
   return count++;
}

void StringArray::InsertAt(int position, const String& s) {
   Grow(count + 1);
   String* fresh = new String(s);
   memmove(items + position + 1, items + position, sizeof(String*) * (count - position));
   items[position] = fresh;
   count++;
}

void StringArray::Delete(int index) {
   delete items[index];
   count--;
   memmove(items + index, items + index + 1, sizeof(String*) * (count - index));
}

String StringArray::Pop() {
   String last(*items[count - 1]);
   Dimension(count - 1);
   return last;
}

namespace {
template <class IsSeparator>
int Tokenise(StringArray& array, const String& s, IsSeparator isSeparator) {
   int length = s.Length();
   const char* text = s;
   int p = 0;
   while (p < length) {
      while (p < length && isSeparator(text[p])) p++;
      if (p == length) break;
      int q = p;
      while (q < length && !isSeparator(text[q])) q++;
      array.Add(s.Mid(p, q - 1));
      p = q + 1;
   }
   return array.Length();
}
}  // namespace

int StringArray::AddTokens(const String& s, const String& separators) {
   return Tokenise(*this, s, [&separators](char c) { return separators.FindChar(c, 0) != -1; });
}

int StringArray::AddTokens(const String& s, char separator) {
   return Tokenise(*this, s, [separator](char c) { return c == separator; });
}

int StringArray::AddColumns(const String& s, char separator) {
   int length = s.Length();
   int p = 0;
   do {
      int q = s.FindChar(separator, p);
      if (q == -1) q = length;
      Add(s.SubStr(p, q - p));
      p = q + 1;
   } while (p <= length);
   return count;
}

int StringArray::ReplaceTokens(const String& s, const String& separators) {
   Clear();
   return AddTokens(s, separators);
}

int StringArray::Find(const String& s) const {
   for (int i = 0; i < count; i++)
      if (items[i]->Compare(s) == 0) return i;
   return -1;
}

int StringArray::FastFind(const String& s) const {
   for (int i = 0; i < count; i++)
      if (items[i]->FastCompare(s) == 0) return i;
   return -1;
}

int StringArray::SlowFind(const String& s) const {
   for (int i = 0; i < count; i++)
      if (items[i]->SlowCompare(s) == 0) return i;
   return -1;
}

int StringArray::ComparisonForSort(const void* a, const void* b) {
   const String* lhs = *static_cast<String* const*>(a);
   const String* rhs = *static_cast<String* const*>(b);
   return lhs->Compare(*rhs);
}

void StringArray::Sort() {
   QuickSort(items, count, sizeof(String*), ComparisonForSort);
}

bool StringArray::operator==(const StringArray& rhs) const {
   if (count != rhs.count) return false;
   for (int i = 0; i < count; i++)
      if (items[i]->Compare(*rhs.items[i]) != 0) return false;
   return true;
}

void StringArray::Trim() {
   for (int i = 0; i < count; i++) items[i]->Trim();
}

void StringArray::Read(IFILE& f) {
   while (!ifeof(f)) {
      Add(String());
      items[count - 1]->ReadLine(f);
   }
}

void StringArray::Read(FILE* f) {
   // ferror as well as feof: a stream in error never reaches its end.
   while (!feof(f) && !ferror(f)) {
      Add(String());
      items[count - 1]->ReadLine(f);
   }
}

void StringArray::Read(const char* filename) {
   IFILE f = ifopen(filename, "rb");
   if (f == nullptr) return;
   Read(f);
   ifclose(f);
}

void StringArray::Write(FILE* f) {
   for (int i = 0; i < count; i++) items[i]->WriteLine(f);
}

void StringArray::WriteLine(FILE* f) {
   for (int i = 0; i < count; i++)
      fprintf(f, "%s%c", static_cast<const char*>(*items[i]), i == count - 1 ? '\n' : '\t');
}

void StringArray::Write(const char* filename) {
   FILE* f = fopen(filename, "wt");
   if (f == nullptr) return;
   Write(f);
   fclose(f);
}

void StringArray::WriteLine(const char* filename) {
   FILE* f = fopen(filename, "wt");
   if (f == nullptr) return;
   WriteLine(f);
   fclose(f);
}

void StringArray::Print() {
   for (int i = 0; i < count; i++) puts(*items[i]);
}

void StringArray::PrintLine() {
   WriteLine(stdout);
}
