#include "base/MathVector.h"

#include <climits>
#include <cmath>
#include <limits>

#include "base/Growth_internal.h"
#include "base/MathMatrix.h"
#include "base/MemoryAllocators.h"
#include "tests/support/TestSupport.h"

namespace {

Vector Make(std::initializer_list<double> values) {
   Vector v;
   for (double x : values) v.Push(x);
   return v;
}

TEST(Vector, GrowthRoundsToQuantumThenDoubles) {
   Vector v, w = Make({1.0});
   EXPECT_EQ(v.Capacity(), 0);
   EXPECT_STREQ(v.label, "Unknown");
   const int sizes[][2] = {{1, 32},      {32, 32},     {33, 64}, {1000, 1024},
                           {1024, 1024}, {1025, 2048}, {2, 2048}};
   for (auto [n, capacity] : sizes) {
      v.Dimension(n);
      if (n == 1) v[0] = 4.5;
      EXPECT_EQ(v.Capacity(), capacity) << n;
   }
   EXPECT_EQ(v[0], 4.5);
   w.Dimension(3, 7.0);
   EXPECT_TRUE(w == Make({1, 7, 7}));
}

TEST(Vector, ArithmeticAndStatistics) {
   Vector v = Make({1, -2, 4}), w;
   EXPECT_TRUE(v.Sum() == 3 && v.SumSquares() == 21 && v.Product() == -8);
   EXPECT_TRUE(v.Min() == -2 && v.Max() == 4 && v.Average() == 1);
   EXPECT_TRUE(v.CountIfGreater(1) == 1 && v.CountIfGreaterOrEqual(1) == 2);
   // A shrunk vector keeps its old values past its end: they do not count.
   Vector shrunk = Make({1, 5, 9});
   shrunk.Dimension(2);
   EXPECT_TRUE(shrunk.CountIfGreater(4) == 1 && shrunk.CountIfGreaterOrEqual(9) == 0);
   EXPECT_FALSE(v.isAscending() || v.isDescending());
   w.SetMultiple(2, v);
   w.AddMultiple(-1, Make({1, 1, 1}));
   w.Negate();
   w.Add(1);
   w.Multiply(2);
   w.Subtract(v);
   w.Add(Make({1, 2, 3}));
   w.Reverse();
   EXPECT_TRUE(w == Make({-13, 16, 0}));
   EXPECT_EQ(w.InnerProduct(v), -45);

   Vector empty;
   EXPECT_TRUE(empty.Min() == 0.0 && empty.Max() == 0.0 && empty.Sum() == 0.0);
   EXPECT_TRUE(empty.Product() == 1.0 && empty.Average(-1.0) == -1.0 && empty.Var(-2.0) == -2.0);
   EXPECT_EQ(Make({MISSING_VALUE, MISSING_VALUE}).SafeMin(), MISSING_VALUE);
   EXPECT_EQ(Make({MISSING_VALUE, MISSING_VALUE}).SafeMax(), MISSING_VALUE);
   // The missing marker is tiny and positive: it must not win as an extreme.
   Vector gaps = Make({MISSING_VALUE, 3, 1, MISSING_VALUE});
   EXPECT_TRUE(gaps.SafeMax() == 3.0 && gaps.SafeMin() == 1.0 && gaps.SafeCount() == 2);
   EXPECT_EQ(Make({5, MISSING_VALUE, 2}).SafeMin(), 2.0);
   EXPECT_EQ(Make({-5, MISSING_VALUE, -2}).SafeMax(), -2.0);

   double mean, var;
   Make({2}).AveVar(mean, var);
   EXPECT_TRUE(mean == 2.0 && var == 0.0);
   Make({1, 2, 3, 4}).AveVar(mean, var);
   EXPECT_EQ(mean, 2.5);
   EXPECT_DOUBLE_EQ(var, 5.0 / 3.0);
   // Large offset: the deviation form keeps the small variance exact.
   EXPECT_DOUBLE_EQ(Make({1e9 + 1, 1e9 + 2, 1e9 + 3}).Var(), 1.0);
}

TEST(Vector, MatrixProductReadsTheOldOperand) {
   Matrix m(4, 2);
   m.Dimension(3, 2);  // drops a row
   for (int i = 0; i < 3; i++)
      for (int j = 0; j < 2; j++) m[i][j] = 2 * i + j + 1;  // 1 2 / 3 4 / 5 6
   Vector product, v = Make({7, 5});
   product.Product(m, v);
   EXPECT_TRUE(product == Make({17, 41, 65}));
   Matrix square(2, 2);
   square[0][0] = 0, square[0][1] = 1, square[1][0] = 1, square[1][1] = 1;
   Vector x = Make({2, 3});
   x.Product(square, x);
   EXPECT_TRUE(x == Make({3, 5}));
}

TEST(Vector, SortedListsSearchAndEdits) {
   Vector v = Make({1, 3, 5}), empty;
   EXPECT_EQ(v.InsertInSortedList(3), 1);
   EXPECT_EQ(v.InsertInSortedList(4), 2);
   EXPECT_EQ(v.InsertInSortedList(0), 0);
   EXPECT_EQ(v.InsertInSortedList(9), 5);
   EXPECT_EQ(empty.InsertInSortedList(7), 0);
   EXPECT_TRUE(v == Make({0, 1, 3, 4, 5, 9}) && empty == Make({7}) && v.isAscending());

   Vector runs = Make({1, 1, 2, 2, 2, 3}), none;
   runs.RemoveDuplicates();
   none.RemoveDuplicates();
   EXPECT_TRUE(runs == Make({1, 2, 3}) && none.Length() == 0);

   for (int n = 0; n <= 20; n++) {
      Vector sorted;
      for (int i = 0; i < n; i++) sorted.Push(0.5 * i);
      for (int i = -1; i <= 2 * n; i++)
         ASSERT_EQ(sorted.BinarySearch(0.25 * i), i >= 0 && i % 2 == 0 && i / 2 < n ? i / 2 : -1);
   }

   Vector keys = Make({3, 1, 2}), rider = Make({30, 10, 20});
   keys.Sort(rider);
   EXPECT_TRUE(keys == Make({1, 2, 3}) && rider == Make({10, 20, 30}));
   double nan = std::numeric_limits<double>::quiet_NaN();
   EXPECT_EQ(Vector::CompareDouble(&nan, &nan), 0);

   Vector edit = Make({1, 2, 3});
   edit.Insert(1, 9);
   edit.DeleteDimension(3);
   edit.Stack(edit);
   EXPECT_TRUE(edit == Make({1, 9, 2, 1, 9, 2}));
   Vector full;  // the insertion takes the last free slot
   for (int i = 0; i < 31; i++) full.Push(i);
   full.Insert(0, -1);
   EXPECT_TRUE(full.Capacity() == 32 && full[0] == -1 && full[31] == 30);

   edit.label = "a label longer than fifteen";
   testsupport::StdoutCapture capture;
   for (int maxDim : {-1, 1, 7, -2}) Make({1, -2.5}).Print(stdout, maxDim);
   edit.Print(stdout, 2);
   fflush(stdout);
   EXPECT_EQ(capture.Finish(),
             "Unknown :   1.000  -2.500 \nUnknown :   1.000 \nUnknown :   1.000  -2.500 \n"
             "Unknown : \na label longer  :   1.000   9.000 \n");
}

double Linear0Square1(Vector& v) {
   return 3 * v[0] + v[1] * v[1];
}

TEST(VectorFunc, DerivativeExtrapolatesAndTracksTheMinimum) {
   VectorFunc f(Linear0Square1);
   Vector x = Make({2, 1}), d = Make({0, 0});
   f.Derivative(x, d, 0.1);
   EXPECT_NEAR(d[0], 3.0, 1e-9);
   EXPECT_NEAR(d[1], 2.0, 1e-9);
   EXPECT_TRUE(x == Make({2, 1}));
   // The lowest point evaluated is the first, widest step down in x0.
   EXPECT_DOUBLE_EQ(f.minValue, 6.7);
   EXPECT_TRUE(std::fabs(f.minPoint[0] - 1.9) < 1e-12 && f.minPoint[1] == 1);

   // Plain central differences at h = 0.1 are off by ~1e-3 here; the
   // extrapolation must do far better.
   VectorFunc g([](Vector& v) { return sin(v[0]) * exp(v[1]); });
   Vector y = Make({0.5, -0.3}), e = Make({0, 0, 0});
   g.Derivative(y, e, 0.1);
   EXPECT_NEAR(e[0], cos(0.5) * exp(-0.3), 1e-9);
   EXPECT_NEAR(e[1], sin(0.5) * exp(-0.3), 1e-9);
}

TEST(MemoryAllocators, MatricesAndCubesFreeToNull) {
   double** m = AllocateDoubleMatrix(3, 4);
   m[2][3] = 11.0;
   FreeDoubleMatrix(m, 3);
   FreeDoubleMatrix(m, 3);                    // a second free is harmless
   char*** cube = AllocateCharCube(3, 3, 4);  // three pointers fill their block: no overrun
   cube[2][2][3] = 'x';
   FreeCharCube(cube, 3, 3);
   EXPECT_TRUE(m == nullptr && cube == nullptr);
   // Regression: a negative size threw from new[] and ended the program.
   EXPECT_TRUE(AllocateIntMatrix(2, -1) == nullptr && AllocateCharCube(-1, 2, 2) == nullptr);
   char*** empty = AllocateCharCube(1, 1, 0);  // no columns is a size, not an error
   EXPECT_NE(empty, nullptr);
   FreeCharCube(empty, 1, 1);
}

// Regression: capacities near 2^31 overflowed int and doubled forever.
TEST(GrowthRule, CapacityNearTheIntLimitIsCappedNotWrapped) {
   EXPECT_EQ(loci_internal::GrownCapacity(4, 1 << 30, (1 << 30) + 5), INT_MAX);
   EXPECT_EQ(loci_internal::GrownCapacity(32, 0, INT_MAX - 3), INT_MAX);
   EXPECT_EQ(loci_internal::GrownCapacity(0, 0, 10), 11);   // a granule of 0 counts as 1
   EXPECT_EQ(loci_internal::GrownCapacity(8, 8, 20), 24);   // a jump: the granule above
   EXPECT_EQ(loci_internal::GrownCapacity(8, 16, 31), 32);  // a step: doubling
}

TEST(VectorDeathTest, MismatchesEmptyStatisticsAndBadIndicesAreFatal) {
   Vector a = Make({1, 2}), b = Make({1, 2, 3}), empty;
   a.label = "left";
   b.label = "right";
   empty.label = "none";
   Matrix m(2, 3);
   m.label = "M";
   EXPECT_FATAL(a.Add(b),
                "\nFATAL ERROR - \nVector::Add - vectors have different dimensions\n"
                "Vectors     - left [2] + right [3] \n\n");
   EXPECT_FATAL(a.Subtract(b),
                "\nFATAL ERROR - \nVector::Subtract - vectors have different dimensions\n"
                "Vectors          - left [2] + right [3] \n\n");
   EXPECT_FATAL(a.AddMultiple(1.0, b),
                "\nFATAL ERROR - \nVector::AddMultiple - vectors are incompatible\n"
                "Vectors             - left [2] + right [3] \n\n");
   EXPECT_FATAL(a.InnerProduct(b),
                "\nFATAL ERROR - \nVector::InnerProduct - vectors have different dimensions\n"
                "Vectors              - left[2] * right[3] \n\n");
   EXPECT_FATAL(empty.Average(), "\nFATAL ERROR - \nAverage undefined for null vector none\n\n");
   EXPECT_FATAL(empty.Var(),
                "\nFATAL ERROR - \nAverage and Variance undefined for null vector none\n\n");
   EXPECT_FATAL(a.Product(m, a),
                "\nFATAL ERROR - \nVector::Product - Cannot Multiply Matrix by "
                "Vector\nVectors         - M [2, 3] * left [2]\n\n\n");

   const Vector& constant = a;
   EXPECT_DEATH(a[2] = 0,
                "MathVector:61: double& Vector::operator\\[\\]\\(int\\): "
                "Assertion `n < dim' failed");
   EXPECT_DEATH((void)constant[2],
                "MathVector:63: double Vector::operator\\[\\]\\(int\\) const: "
                "Assertion `n < dim' failed");
   EXPECT_DEATH((void)m[2],
                "MathMatrix:108: Vector& Matrix::operator\\[\\]\\(int\\): "
                "Assertion `i < rows' failed");
   // A row shorter than the column count stops the product.
   m[1].Dimension(1);
   Vector x = Make({1, 1, 1}), y;
   EXPECT_DEATH(y.Product(m, x), "MathVector:61: .*Assertion `n < dim' failed");
}

}  // namespace
