#include "base/IntArray.h"

#include "base/Growth_internal.h"

#include <cstring>

#include "base/Hash.h"
#include "base/Sort.h"
#include "io/Error.h"

int IntArray::alloc = 4;

namespace {

int CompareForSort(const void* a, const void* b) {
   return IntArray::Compare(static_cast<int*>(const_cast<void*>(a)),
                            static_cast<int*>(const_cast<void*>(b)));
}

}  // namespace

IntArray::IntArray(int startSize) {
   count = startSize;
   capacity = loci_internal::GrownCapacity(alloc, 0, startSize);
   items = new int[capacity];
}

IntArray::IntArray(const IntArray& source) {
   count = source.count;
   capacity = source.capacity;
   items = new int[capacity];
   if (count > 0) memcpy(items, source.items, sizeof(int) * count);
}

IntArray::~IntArray() {
   delete[] items;
}

IntArray& IntArray::operator=(const IntArray& rhs) {
   if (&rhs == this) return *this;
   Grow(rhs.count);
   count = rhs.count;
   if (count > 0) memcpy(items, rhs.items, sizeof(int) * count);
   return *this;
}

void IntArray::Grow(int newSize) {
   if (capacity >= newSize) return;

   int newCapacity = loci_internal::GrownCapacity(alloc, capacity, newSize);

   int* fresh = new int[newCapacity];
   if (count > 0) memcpy(fresh, items, sizeof(int) * count);
   delete[] items;
   items = fresh;
   capacity = newCapacity;
}

void IntArray::Swap(IntArray& other) {
   int* t = items;
   items = other.items;
   other.items = t;
   int n = capacity;
   capacity = other.capacity;
   other.capacity = n;
   n = count;
   count = other.count;
   other.count = n;
}

void IntArray::Set(int value) {
   for (int i = 0; i < count; i++) items[i] = value;
}

void IntArray::SetSequence(int start, int increment) {
   for (int i = 0; i < count; i++) items[i] = start + i * increment;
}

void IntArray::Zero() {
   Set(0);
}

void IntArray::Append(int value) {
   Grow(count + 1);
   items[count++] = value;
}

void IntArray::Append(const IntArray& rhs) {
   int n = rhs.count;  // rhs may be this array
   Grow(count + n);
   if (n > 0) memcpy(items + count, rhs.items, sizeof(int) * n);
   count += n;
}

void IntArray::PushIfNew(int value) {
   if (Find(value) == -1) Append(value);
}

void IntArray::InsertAt(int index, int value) {
   Grow(count + 1);
   if (index < count) memmove(items + index + 1, items + index, sizeof(int) * (count - index));
   items[index] = value;
   count++;
}

int IntArray::Delete(int index) {
   count--;
   if (index < count) memmove(items + index, items + index + 1, sizeof(int) * (count - index));
   return count;
}

void IntArray::Reverse() {
   for (int i = 0, j = count - 1; i < j; i++, j--) {
      int t = items[i];
      items[i] = items[j];
      items[j] = t;
   }
}

int IntArray::Sum(int start, int end) const {
   int sum = 0;
   for (int i = start; i <= end; i++) sum += items[i];
   return sum;
}

int IntArray::Max(int start, int end) const {
   if (start >= count) return 0;
   int max = items[start];
   for (int i = start + 1; i <= end; i++)
      if (items[i] > max) max = items[i];
   return max;
}

int IntArray::Min(int start, int end) const {
   if (start >= count) return 0;
   int min = items[start];
   for (int i = start + 1; i <= end; i++)
      if (items[i] < min) min = items[i];
   return min;
}

int IntArray::Find(int value) const {
   for (int i = 0; i < count; i++)
      if (items[i] == value) return i;
   return -1;
}

int IntArray::BinarySearch(int value) const {
   int hi = count - 1;
   if (hi < 0) return -1;
   int mid = hi / 2;
   if (items[mid] == value) return mid;
   int lo = 0;
   while (true) {
      if (value < items[mid])
         hi = mid - 1;
      else
         lo = mid + 1;
      if (lo > hi) return -1;
      mid = (lo + hi) / 2;
      if (items[mid] == value) return mid;
   }
}

int IntArray::CountIfGreater(int threshold) const {
   int n = 0;
   for (int i = 0; i < count; i++)
      if (items[i] > threshold) n++;
   return n;
}

int IntArray::CountIfGreaterOrEqual(int threshold) const {
   int n = 0;
   for (int i = 0; i < count; i++)
      if (items[i] >= threshold) n++;
   return n;
}

int IntArray::Product() const {
   int product = 1;
   for (int i = 0; i < count; i++) product *= items[i];
   return product;
}

double IntArray::DoubleProduct() const {
   double product = 1.0;
   for (int i = 0; i < count; i++) product *= items[i];
   return product;
}

int IntArray::InnerProduct(const IntArray& v) const {
   if (count != v.count)
      error(
          "IntArray::InnerProduct - vectors have different dimensions\n"
          "IntArrays              - Left[%d] * Right[%d] ",
          count, v.count);
   int sum = 0;
   for (int i = 0; i < count; i++) sum += items[i] * v.items[i];
   return sum;
}

bool IntArray::isAscending() const {
   for (int i = 1; i < count; i++)
      if (items[i] < items[i - 1]) return false;
   return true;
}

bool IntArray::isDescending() const {
   for (int i = 1; i < count; i++)
      if (items[i] > items[i - 1]) return false;
   return true;
}

bool IntArray::operator==(const IntArray& rhs) const {
   if (count != rhs.count) return false;
   for (int i = 0; i < count; i++)
      if (items[i] != rhs.items[i]) return false;
   return true;
}

unsigned int IntArray::Hash(int initval) const {
   return hash(reinterpret_cast<const unsigned char*>(items), sizeof(int) * count,
               static_cast<unsigned int>(initval));
}

void IntArray::Add(int value) {
   for (int i = 0; i < count; i++) items[i] += value;
}

void IntArray::Multiply(int value) {
   for (int i = 0; i < count; i++) items[i] *= value;
}

void IntArray::Divide(int value) {
   for (int i = 0; i < count; i++) items[i] /= value;
}

void IntArray::Add(const IntArray& v) {
   if (count != v.count)
      error(
          "IntArray::Add - vectors have different lengths\n"
          "IntArrays     - Left[%d] += Right[%d] ",
          count, v.count);
   for (int i = 0; i < count; i++) items[i] += v.items[i];
}

// Compared, not subtracted: a difference of two ints can overflow.
int IntArray::Compare(int* a, int* b) {
   return (*a > *b) - (*a < *b);
}

void IntArray::Sort() {
   QuickSort(items, count, sizeof(int), CompareForSort);
}

void IntArray::Sort(IntArray& freeRider) {
   QuickSort2(items, freeRider.items, count, sizeof(int), CompareForSort);
}

void IntArray::Print(FILE* output, const char* label) const {
   fprintf(output, "%s [%d elements]: ", label, count);
   for (int i = 0; i < count; i++) fprintf(output, "%d ", items[i]);
   fprintf(output, "\n");
}
