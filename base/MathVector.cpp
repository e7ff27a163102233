#include "base/MathVector.h"

#include <climits>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/MathMatrix.h"
#include "base/Sort.h"
#include "io/Error.h"

// Index checks must fail in release builds as well, through the platform's
// own assertion report.
#undef NDEBUG
#include <cassert>

int Vector::alloc = 32;

void FailedIndexAssertion(const char* expression, const char* source, unsigned int line,
                          const char* function) {
#if defined(__GLIBC__)
   __assert_fail(expression, source, line, function);
#else
   fprintf(stderr, "%s:%u: %s: Assertion `%s' failed.\n", source, line, function, expression);
   fflush(stderr);
   abort();
#endif
}

namespace {

int CompareForSort(const void* a, const void* b) {
   return Vector::CompareDouble(static_cast<const double*>(a), static_cast<const double*>(b));
}

}  // namespace

// ---------------------------------------------------------------- storage

void Vector::Init() {
   dim = 0;
   capacity = 0;
   data = nullptr;
   label = "Unknown";
}

Vector::~Vector() {
   delete[] data;
}

void Vector::Dimension(int n) {
   if (capacity < n) {
      // 64-bit arithmetic, capped at the largest int: doubling near 2^31 must
      // neither overflow nor loop.
      long long granule = alloc < 1 ? 1 : alloc;
      long long newCapacity;
      if (capacity < 1024) {
         newCapacity = ((n + granule) / granule) * granule;
      } else {
         newCapacity = capacity;
         while (n >= newCapacity) newCapacity *= 2;
      }
      if (newCapacity > INT_MAX) newCapacity = INT_MAX;
      double* fresh = new double[newCapacity];
      if (data != nullptr) {
         if (dim > 0) memcpy(fresh, data, sizeof(double) * dim);
         delete[] data;
      }
      data = fresh;
      capacity = static_cast<int>(newCapacity);
   }
   dim = n;
}

void Vector::Dimension(int n, double value) {
   int old = dim;
   Dimension(n);
   for (int i = old; i < n; i++) data[i] = value;
}

void Vector::Copy(const Vector& v) {
   if (&v == this) return;
   Dimension(v.dim);
   if (v.data != nullptr && v.dim > 0) memcpy(data, v.data, sizeof(double) * v.dim);
}

void Vector::Swap(Vector& v) {
   double* t = data;
   data = v.data;
   v.data = t;
   int n = dim;
   dim = v.dim;
   v.dim = n;
   n = capacity;
   capacity = v.capacity;
   v.capacity = n;
}

void Vector::Push(double value) {
   Dimension(dim + 1);
   data[dim - 1] = value;
}

void Vector::Insert(int n, double value) {
   Dimension(dim + 1);
   if (n < dim - 1) memmove(data + n + 1, data + n, sizeof(double) * (dim - 1 - n));
   data[n] = value;
}

void Vector::DeleteDimension(int n) {
   if (n < dim - 1) memmove(data + n, data + n + 1, sizeof(double) * (dim - 1 - n));
   dim--;
}

void Vector::Stack(const Vector& v) {
   int old = dim, n = v.dim;  // v may be this vector
   Dimension(old + n);
   if (n > 0) memcpy(data + old, v.data, sizeof(double) * n);
}

int Vector::InsertInSortedList(int value) {
   double v = value;
   int p = dim - 1;
   while (p >= 0 && !(data[p] <= v)) p--;
   if (p >= 0 && data[p] == v) return p;

   Insert(p + 1, v);
   return p + 1;
}

void Vector::RemoveDuplicates() {
   if (dim == 0) return;
   int out = 0;
   for (int k = 1; k < dim; k++)
      if (data[k] != data[out]) data[++out] = data[k];
   dim = out + 1;
}

// ---------------------------------------------------------------- arithmetic

void Vector::Zero() {
   Set(0.0);
}

void Vector::Set(double v) {
   for (int i = 0; i < dim; i++) data[i] = v;
}

void Vector::Negate() {
   for (int i = 0; i < dim; i++) data[i] = -data[i];
}

void Vector::Add(double v) {
   for (int i = 0; i < dim; i++) data[i] += v;
}

void Vector::Multiply(double v) {
   for (int i = 0; i < dim; i++) data[i] *= v;
}

void Vector::Add(const Vector& v) {
   if (dim != v.dim)
      error(
          "Vector::Add - vectors have different dimensions\n"
          "Vectors     - %s [%d] + %s [%d] ",
          static_cast<const char*>(label), dim, static_cast<const char*>(v.label), v.dim);
   for (int i = 0; i < dim; i++) data[i] += v.data[i];
}

void Vector::Subtract(const Vector& v) {
   if (dim != v.dim)
      error(
          "Vector::Subtract - vectors have different dimensions\n"
          "Vectors          - %s [%d] + %s [%d] ",
          static_cast<const char*>(label), dim, static_cast<const char*>(v.label), v.dim);
   for (int i = 0; i < dim; i++) data[i] -= v.data[i];
}

void Vector::AddMultiple(double k, const Vector& v) {
   if (dim != v.dim)
      error(
          "Vector::AddMultiple - vectors are incompatible\n"
          "Vectors             - %s [%d] + %s [%d] ",
          static_cast<const char*>(label), dim, static_cast<const char*>(v.label), v.dim);
   for (int i = 0; i < dim; i++) data[i] += k * v.data[i];
}

double Vector::InnerProduct(const Vector& v) const {
   if (dim != v.dim)
      error(
          "Vector::InnerProduct - vectors have different dimensions\n"
          "Vectors              - %s[%d] * %s[%d] ",
          static_cast<const char*>(label), dim, static_cast<const char*>(v.label), v.dim);
   double sum = 0.0;
   for (int i = 0; i < dim; i++) sum += data[i] * v.data[i];
   return sum;
}

void Vector::SetMultiple(double k, const Vector& v) {
   Dimension(v.dim);
   for (int i = 0; i < dim; i++) data[i] = k * v.data[i];
}

void Vector::Product(Matrix& m, Vector& v) {
   if (m.Columns() != v.dim)
      error(
          "Vector::Product - Cannot Multiply Matrix by Vector\n"
          "Vectors         - %s [%d, %d] * %s [%d]\n",
          static_cast<const char*>(m.label), m.Rows(), m.Columns(),
          static_cast<const char*>(v.label), v.dim);

   // x = m * x must read the old x while writing the new one.
   if (&v == this) {
      Vector copy(v);
      Product(m, copy);
      return;
   }

   Dimension(m.Rows());
   Zero();
   for (int i = 0; i < dim; i++)
      for (int j = 0; j < v.dim; j++) data[i] += m[i][j] * v[j];
}

// ---------------------------------------------------------------- reductions

double Vector::Sum() const {
   double sum = 0.0;
   for (int i = 0; i < dim; i++) sum += data[i];
   return sum;
}

double Vector::SumSquares() const {
   double sum = 0.0;
   for (int i = 0; i < dim; i++) sum += data[i] * data[i];
   return sum;
}

double Vector::Product() const {
   double product = 1.0;
   for (int i = 0; i < dim; i++) product *= data[i];
   return product;
}

double Vector::Min() const {
   if (dim == 0) return 0.0;
   double min = data[0];
   for (int i = 1; i < dim; i++)
      if (data[i] < min) min = data[i];
   return min;
}

double Vector::Max() const {
   if (dim == 0) return 0.0;
   double max = data[0];
   for (int i = 1; i < dim; i++)
      if (data[i] > max) max = data[i];
   return max;
}

int Vector::CountIfGreater(double threshold) const {
   int n = 0;
   for (int i = 0; i < dim; i++)
      if (data[i] > threshold) n++;
   return n;
}

int Vector::CountIfGreaterOrEqual(double threshold) const {
   int n = 0;
   for (int i = 0; i < dim; i++)
      if (data[i] >= threshold) n++;
   return n;
}

int Vector::SafeCount() const {
   int n = 0;
   for (int i = 0; i < dim; i++)
      if (data[i] != MISSING_VALUE) n++;
   return n;
}

double Vector::SafeMin() const {
   double min = MISSING_VALUE;
   for (int i = 0; i < dim; i++)
      if (data[i] != MISSING_VALUE && (min == MISSING_VALUE || data[i] < min)) min = data[i];
   return min;
}

double Vector::SafeMax() const {
   double max = MISSING_VALUE;
   for (int i = 0; i < dim; i++)
      if (data[i] != MISSING_VALUE && (max == MISSING_VALUE || data[i] > max)) max = data[i];
   return max;
}

double Vector::Average() const {
   if (dim == 0) error("Average undefined for null vector %s", static_cast<const char*>(label));
   return Sum() / dim;
}

double Vector::Average(double valueIfEmpty) const {
   return dim == 0 ? valueIfEmpty : Average();
}

void Vector::AveVar(double& mean, double& var) const {
   if (dim == 0)
      error("Average and Variance undefined for null vector %s", static_cast<const char*>(label));

   double sum = 0.0;
   for (int i = 0; i < dim; i++) sum += data[i];
   mean = sum / dim;

   // The deviations' own sum corrects the rounding left in the mean.
   double s1 = 0.0, s2 = 0.0;
   for (int i = 0; i < dim; i++) {
      double d = data[i] - mean;
      s1 += d;
      s2 += d * d;
   }
   var = dim >= 2 ? (s2 - s1 * s1 / dim) / (dim - 1) : s2;
}

double Vector::Var() const {
   double mean, var;
   AveVar(mean, var);
   return var;
}

double Vector::Var(double valueIfEmpty) const {
   return dim == 0 ? valueIfEmpty : Var();
}

bool Vector::isAscending() const {
   for (int i = 0; i + 1 < dim; i++)
      if (data[i] > data[i + 1]) return false;
   return true;
}

bool Vector::isDescending() const {
   for (int i = 0; i + 1 < dim; i++)
      if (data[i] < data[i + 1]) return false;
   return true;
}

bool Vector::operator==(const Vector& v) const {
   if (dim != v.dim) return false;
   for (int i = 0; i < dim; i++)
      if (data[i] != v.data[i]) return false;
   return true;
}

// ---------------------------------------------------------------- order, output

int Vector::CompareDouble(const double* a, const double* b) {
   if (*a < *b) return -1;
   if (*a > *b) return 1;
   return 0;
}

void Vector::Sort() {
   QuickSort(data, dim, sizeof(double), CompareForSort);
}

void Vector::Sort(Vector& freeRider) {
   QuickSort2(data, freeRider.data, dim, sizeof(double), CompareForSort);
}

int Vector::BinarySearch(double value) const {
   void* found = ::BinarySearch(&value, data, dim, sizeof(double), CompareForSort);
   return found == nullptr ? -1 : static_cast<int>(static_cast<double*>(found) - data);
}

void Vector::Reverse() {
   for (int i = 0, j = dim - 1; i < j; i++, j--) {
      double t = data[i];
      data[i] = data[j];
      data[j] = t;
   }
}

void Vector::Print(FILE* output, int maxDim) const {
   int n = (maxDim == -1 || maxDim > dim) ? dim : maxDim;
   fprintf(output, "%.15s : ", static_cast<const char*>(label));
   for (int i = 0; i < n; i++) fprintf(output, "%7.3f ", data[i]);
   fprintf(output, "\n");
}

// ---------------------------------------------------------------- VectorFunc

double VectorFunc::Evaluate(Vector& v) {
   return func(v);
}

double VectorFunc::Track(Vector& x, bool first) {
   double f = Evaluate(x);
   if (first || f < minValue) {
      minValue = f;
      minPoint = x;
   }
   return f;
}

void VectorFunc::Derivative(Vector& x, Vector& d, double delta) {
   // Central differences from steps shrinking by sqrt(2) (h^2 halves), each
   // column of the tableau one more Richardson extrapolation.
   const double kShrink = 0.7071067811865475;
   const double kFactor = 2.0000000000000004;
   double a[10][10];

   for (int i = 0; i < x.Length(); i++) {
      double xi = x[i];
      double h = delta;

      x[i] = xi - h;
      double f1 = Track(x, i == 0);
      x[i] = xi + h;
      double f2 = Track(x, false);
      a[0][0] = (f2 - f1) / (2.0 * h);
      double err = 1e30;

      for (int k = 1; k < 10; k++) {
         h *= kShrink;
         x[i] = xi - h;
         double f3 = Track(x, false);
         x[i] = xi + h;
         double f4 = Track(x, false);
         a[0][k] = (f4 - f3) / (2.0 * h);

         double fac = kFactor;
         for (int j = 1; j <= k; j++) {
            a[j][k] = (a[j - 1][k] * fac - a[j - 1][k - 1]) / (fac - 1.0);
            fac *= kFactor;
            double errt = fmax(fabs(a[j][k] - a[j - 1][k]), fabs(a[j][k] - a[j - 1][k - 1]));
            if (errt < err) {
               err = errt;
               d[i] = a[j][k];
            }
         }
         // Higher orders have stopped helping once the error grows.
         if (fabs(a[k][k] - a[k - 1][k - 1]) >= 2.0 * err) break;
      }
      x[i] = xi;
   }
}
