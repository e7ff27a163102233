// Matrix: a labelled table of doubles held as rows, each row a Vector of the
// column count. Only what the vector arithmetic needs lives here: shape, row
// access and the label used in messages.
//
// Invariants: `data` holds `rows` owned row Vectors, each of dim `cols`. Row
// access checks its upper bound in every build and a failed check ends the
// process with the platform's assertion report.
#ifndef LOCI_BASE_MATHMATRIX_H
#define LOCI_BASE_MATHMATRIX_H

#include "base/MathVector.h"
#include "base/StringBasics.h"

class Matrix {
public:
   String label;

   explicit Matrix(int n = 0, int m = 0);
   ~Matrix();
   Matrix(const Matrix&) = delete;
   Matrix& operator=(const Matrix&) = delete;

   // n rows of m columns; elements kept where both shapes have them, new
   // elements unspecified.
   void Dimension(int n, int m);
   void Zero();

   int Rows() const { return rows; }
   int Columns() const { return cols; }

   // Reports name the fixed position MathMatrix:108.
   Vector& operator[](int i) {
      if (!(i < rows)) FailedIndexAssertion("i < rows", "MathMatrix", 108, kAccess);
      return *data[i];
   }

private:
   static constexpr const char* kAccess = "Vector& Matrix::operator[](int)";

   int rows;
   int cols;
   Vector** data;
};

#endif
