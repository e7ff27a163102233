// Vector: the library's growable array of double with a printable label, its
// arithmetic and statistics; VectorFunc: a real function of a Vector with a
// numerical gradient.
//
// Invariants: `data` is null until the first allocation, then holds
// `capacity` >= `dim` slots; capacity never shrinks (rounded up to multiples
// of alloc below 1024 slots, doubled above) and growth replaces `data`, which
// invalidates element pointers. The label names the vector in messages and is
// never copied between vectors.
//
// Missing elements hold MISSING_VALUE; only the Safe operations skip them.
// Element access checks its upper bound in every build, NDEBUG or not, and a
// failed check ends the process with the platform's assertion report.
#ifndef LOCI_BASE_MATHVECTOR_H
#define LOCI_BASE_MATHVECTOR_H

#include <cstdio>

#include "base/MissingValue.h"
#include "base/StringBasics.h"

class Matrix;

// Reports a failed index check the way assert does, naming `source` and
// `line`, and aborts.
[[noreturn]] void FailedIndexAssertion(const char* expression, const char* source,
                                       unsigned int line, const char* function);

class Vector {
public:
   static int alloc;  // allocation quantum below 1024 slots

   String label;

   Vector() { Init(); }
   // Copies the elements; the new vector keeps the default label.
   Vector(const Vector& source) {
      Init();
      Copy(source);
   }
   ~Vector();

   // dim = n, growing the storage when needed; shrinking keeps the storage.
   void Dimension(int n);
   // As Dimension(n), setting the elements added beyond the old dim to value.
   void Dimension(int n, double value);
   int Length() const { return dim; }
   int Capacity() const { return capacity; }

   void Copy(const Vector& v);
   Vector& operator=(const Vector& v) {
      Copy(v);
      return *this;
   }
   // Exchanges the elements, not the labels.
   void Swap(Vector& v);

   // Reports name fixed positions, MathVector:61 and :63, that stay the same
   // whatever the layout of this file.
   double& operator[](int n) {
      if (!(n < dim)) FailedIndexAssertion("n < dim", "MathVector", 61, kAccess);
      return data[n];
   }
   double operator[](int n) const {
      if (!(n < dim)) FailedIndexAssertion("n < dim", "MathVector", 63, kConstAccess);
      return data[n];
   }

   void Push(double value);
   void Insert(int n, double value);
   void DeleteDimension(int n);
   void Stack(const Vector& v);
   // In an ascending vector: the index of an element equal to value, or the
   // index where value was inserted to keep the order.
   int InsertInSortedList(int value);
   // In a sorted vector: keeps the first of each run of equal values.
   void RemoveDuplicates();

   void Zero();
   void Set(double v);
   void Negate();
   void Add(double v);
   void Multiply(double v);

   // Element-wise; fatal when the dimensions differ.
   void Add(const Vector& v);
   void Subtract(const Vector& v);
   void AddMultiple(double k, const Vector& v);
   double InnerProduct(const Vector& v) const;
   // this = k * v.
   void SetMultiple(double k, const Vector& v);
   // this = m * v; fatal when m's column count differs from v's dim.
   void Product(Matrix& m, Vector& v);

   double Sum() const;
   double SumSquares() const;
   double Product() const;
   // 0 for an empty vector.
   double Min() const;
   double Max() const;
   int CountIfGreater(double threshold) const;
   int CountIfGreaterOrEqual(double threshold) const;

   // Statistics over the elements that are not MISSING_VALUE; the extremes
   // are MISSING_VALUE when there is no such element.
   int SafeCount() const;
   double SafeMin() const;
   double SafeMax() const;

   // Fatal for an empty vector.
   double Average() const;
   double Average(double valueIfEmpty) const;
   // Mean and sample variance (0 for one element); fatal for an empty vector.
   void AveVar(double& mean, double& var) const;
   double Var() const;
   double Var(double valueIfEmpty) const;

   bool isAscending() const;
   bool isDescending() const;
   bool operator==(const Vector& v) const;
   bool operator!=(const Vector& v) const { return !(*this == v); }

   // -1, 0 or 1; unordered pairs (NaN) compare equal.
   static int CompareDouble(const double* a, const double* b);
   void Sort();
   // Sorts ascending and permutes freeRider alike.
   void Sort(Vector& freeRider);
   // An index holding value in an ascending vector, or -1.
   int BinarySearch(double value) const;
   void Reverse();

   // The label (15 characters at most), then the first maxDim elements (all
   // of them for -1).
   void Print(FILE* output, int maxDim = -1) const;
   void Print(int maxDim = -1) const { Print(stdout, maxDim); }

private:
   static constexpr const char* kAccess = "double& Vector::operator[](int)";
   static constexpr const char* kConstAccess = "double Vector::operator[](int) const";

   // The empty state, labelled "Unknown", that every constructor starts from.
   void Init();

   int dim;
   int capacity;
   double* data;
};

// A real function of a Vector. Subclasses override Evaluate; Derivative
// remembers the lowest value it met.
class VectorFunc {
public:
   VectorFunc() : func(nullptr) {}
   explicit VectorFunc(double (*f)(Vector&)) : func(f) {}
   virtual ~VectorFunc() {}

   virtual double Evaluate(Vector& v);
   // Partial derivatives at x into d, which must hold at least x's dim
   // elements: Richardson extrapolation of central differences from step
   // delta. x is moved during the call and restored.
   virtual void Derivative(Vector& x, Vector& d, double delta);

   // The lowest value evaluated by the last Derivative, and where.
   double minValue = 0.0;
   Vector minPoint;

protected:
   double (*func)(Vector&);

private:
   double Track(Vector& x, bool first);
};

#endif
