#include "base/MemoryAllocators.h"

#include <new>

namespace {

template <class T>
T** AllocateMatrix(int rows, int cols) {
   // A negative size would make new[] throw instead of failing.
   if (rows < 0 || cols < 0) return nullptr;
   T** m = new (std::nothrow) T*[rows];
   if (m == nullptr) return nullptr;
   for (int i = 0; i < rows; i++) {
      m[i] = new (std::nothrow) T[cols];
      if (m[i] == nullptr) {
         while (i-- > 0) delete[] m[i];
         delete[] m;
         return nullptr;
      }
   }
   return m;
}

template <class T>
void FreeMatrix(T**& m, int rows) {
   if (m == nullptr) return;
   for (int i = 0; i < rows; i++) delete[] m[i];
   delete[] m;
   m = nullptr;
}

}  // namespace

int** AllocateIntMatrix(int rows, int cols) {
   return AllocateMatrix<int>(rows, cols);
}

double** AllocateDoubleMatrix(int rows, int cols) {
   return AllocateMatrix<double>(rows, cols);
}

float** AllocateFloatMatrix(int rows, int cols) {
   return AllocateMatrix<float>(rows, cols);
}

char** AllocateCharMatrix(int rows, int cols) {
   return AllocateMatrix<char>(rows, cols);
}

char*** AllocateCharCube(int n, int rows, int cols) {
   if (n < 0 || rows < 0 || cols < 0) return nullptr;
   char*** c = new (std::nothrow) char**[n];
   if (c == nullptr) return nullptr;
   for (int i = 0; i < n; i++) {
      c[i] = AllocateCharMatrix(rows, cols);
      if (c[i] == nullptr) {
         while (i-- > 0) FreeCharMatrix(c[i], rows);
         delete[] c;
         return nullptr;
      }
   }
   return c;
}

void FreeIntMatrix(int**& m, int rows) {
   FreeMatrix(m, rows);
}

void FreeDoubleMatrix(double**& m, int rows) {
   FreeMatrix(m, rows);
}

void FreeFloatMatrix(float**& m, int rows) {
   FreeMatrix(m, rows);
}

void FreeCharMatrix(char**& m, int rows) {
   FreeMatrix(m, rows);
}

void FreeCharCube(char***& c, int n, int rows) {
   if (c == nullptr) return;
   for (int i = 0; i < n; i++) FreeCharMatrix(c[i], rows);
   delete[] c;
   c = nullptr;
}
