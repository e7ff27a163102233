#include "base/MathMatrix.h"

Matrix::Matrix(int n, int m) : label("Unknown"), rows(0), cols(0), data(nullptr) {
   Dimension(n, m);
}

Matrix::~Matrix() {
   for (int i = 0; i < rows; i++) delete data[i];
   delete[] data;
}

void Matrix::Dimension(int n, int m) {
   if (n < 0) n = 0;
   if (m < 0) m = 0;
   if (n != rows) {
      Vector** fresh = n > 0 ? new Vector*[n] : nullptr;
      int kept = n < rows ? n : rows;
      for (int i = 0; i < kept; i++) fresh[i] = data[i];
      for (int i = kept; i < rows; i++) delete data[i];
      for (int i = kept; i < n; i++) fresh[i] = new Vector;
      delete[] data;
      data = fresh;
      rows = n;
   }
   for (int i = 0; i < rows; i++) data[i]->Dimension(m);
   cols = m;
}

void Matrix::Zero() {
   for (int i = 0; i < rows; i++) data[i]->Zero();
}
