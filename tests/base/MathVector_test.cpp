#include "base/MathVector.h"

#include <climits>

#include "base/Growth_internal.h"

#include <cmath>
#include <limits>
#include <vector>

#include "base/MathMatrix.h"
#include "base/MemoryAllocators.h"
#include "tests/support/TestSupport.h"

namespace {

Vector Make(std::initializer_list<double> values) {
   Vector v;
   for (double x : values) v.Push(x);
   return v;
}

TEST(VectorGrowth, RoundsToQuantumThenDoubles) {
   Vector v;
   EXPECT_EQ(v.Length(), 0);
   EXPECT_EQ(v.Capacity(), 0);
   EXPECT_STREQ(v.label, "Unknown");
   v.Dimension(1);
   EXPECT_EQ(v.Capacity(), 32);
   v[0] = 4.5;
   v.Dimension(40);
   EXPECT_EQ(v.Capacity(), 64);
   v.Dimension(1000);
   EXPECT_EQ(v.Capacity(), 1024);
   v.Dimension(1025);
   EXPECT_EQ(v.Capacity(), 2048);
   EXPECT_EQ(v[0], 4.5);
   v.Dimension(2);  // shrinking keeps the storage
   EXPECT_EQ(v.Capacity(), 2048);

   Vector w = Make({1.0});
   w.Dimension(3, 7.0);
   EXPECT_TRUE(w == Make({1, 7, 7}));
}

TEST(VectorStatistics, EmptyMissingAndVariance) {
   Vector empty;
   EXPECT_TRUE(empty.Min() == 0.0 && empty.Max() == 0.0 && empty.Sum() == 0.0);
   EXPECT_EQ(empty.Product(), 1.0);
   EXPECT_EQ(empty.Average(-1.0), -1.0);
   EXPECT_EQ(empty.Var(-2.0), -2.0);
   EXPECT_EQ(empty.SafeMin(), MISSING_VALUE);

   EXPECT_EQ(Make({MISSING_VALUE, MISSING_VALUE}).SafeMin(), MISSING_VALUE);
   EXPECT_EQ(Make({MISSING_VALUE, MISSING_VALUE}).SafeMax(), MISSING_VALUE);
   Vector gaps = Make({MISSING_VALUE, 3, 1});
   EXPECT_EQ(gaps.SafeMax(), 3.0);
   EXPECT_EQ(gaps.SafeMin(), 1.0);
   EXPECT_EQ(gaps.SafeCount(), 2);
   // The missing marker is tiny and positive: it must not win as a minimum.
   EXPECT_EQ(Make({5, MISSING_VALUE, 2}).SafeMin(), 2.0);
   EXPECT_EQ(Make({-5, MISSING_VALUE, -2}).SafeMax(), -2.0);

   double mean, var;
   Make({2}).AveVar(mean, var);
   EXPECT_EQ(mean, 2.0);
   EXPECT_EQ(var, 0.0);
   Make({1, 2, 3, 4}).AveVar(mean, var);
   EXPECT_EQ(mean, 2.5);
   EXPECT_DOUBLE_EQ(var, 5.0 / 3.0);
   // Large offset: the deviation form keeps the small variance exact.
   EXPECT_DOUBLE_EQ(Make({1e9 + 1, 1e9 + 2, 1e9 + 3}).Var(), 1.0);
}

TEST(VectorArithmetic, MatrixProduct) {
   Matrix m(2, 3);
   double values[2][3] = {{1, 2, 3}, {4, 5, 6}};
   for (int i = 0; i < 2; i++)
      for (int j = 0; j < 3; j++) m[i][j] = values[i][j];
   Vector product, v = Make({7, 5, 3});
   product.Product(m, v);
   EXPECT_TRUE(product == Make({26, 71}));

   // x = m * x reads the old x throughout.
   Matrix square(2, 2);
   square[0][0] = 0, square[0][1] = 1, square[1][0] = 1, square[1][1] = 1;
   Vector x = Make({2, 3});
   x.Product(square, x);
   EXPECT_TRUE(x == Make({3, 5}));
}

TEST(VectorOrder, SortedListsSearchAndDuplicates) {
   Vector v = Make({1, 3, 5});
   EXPECT_EQ(v.InsertInSortedList(3), 1);
   EXPECT_EQ(v.InsertInSortedList(4), 2);
   EXPECT_EQ(v.InsertInSortedList(0), 0);
   EXPECT_EQ(v.InsertInSortedList(9), 5);
   EXPECT_TRUE(v == Make({0, 1, 3, 4, 5, 9}));
   Vector empty;
   EXPECT_EQ(empty.InsertInSortedList(7), 0);
   EXPECT_TRUE(empty == Make({7}));

   Vector runs = Make({1, 1, 2, 2, 2, 3}), none, one = Make({5});
   runs.RemoveDuplicates();
   none.RemoveDuplicates();
   one.RemoveDuplicates();
   EXPECT_TRUE(runs == Make({1, 2, 3}));
   EXPECT_EQ(none.Length(), 0);
   EXPECT_TRUE(one == Make({5}));

   for (int n = 0; n <= 20; n++) {
      Vector sorted;
      for (int i = 0; i < n; i++) sorted.Push(0.5 * i);
      for (int i = -1; i <= 2 * n; i++) {
         int found = sorted.BinarySearch(0.25 * i);
         ASSERT_EQ(found, i >= 0 && i % 2 == 0 && i / 2 < n ? i / 2 : -1) << n << " " << i;
      }
   }

   Vector keys = Make({3, 1, 2}), rider = Make({30, 10, 20});
   keys.Sort(rider);
   EXPECT_TRUE(keys == Make({1, 2, 3}));
   EXPECT_TRUE(rider == Make({10, 20, 30}));
   double nan = std::numeric_limits<double>::quiet_NaN();
   EXPECT_EQ(Vector::CompareDouble(&nan, &nan), 0);

   Vector edit = Make({1, 2, 3});
   edit.Insert(1, 9);
   edit.DeleteDimension(3);
   edit.Stack(edit);
   EXPECT_TRUE(edit == Make({1, 9, 2, 1, 9, 2}));
}

TEST(VectorOutput, PrintTruncatesLabelAndLimitsElements) {
   Vector v = Make({1, -2.5});
   v.label = "a label longer than fifteen";
   testsupport::StdoutCapture capture;
   v.Print(stdout, -1);
   v.Print(stdout, 1);
   v.Print(stdout, 5);
   v.Print(stdout, -2);
   fflush(stdout);
   EXPECT_EQ(capture.Finish(),
             "a label longer  :   1.000  -2.500 \n"
             "a label longer  :   1.000 \n"
             "a label longer  :   1.000  -2.500 \n"
             "a label longer  : \n");
}

// Records every evaluation so the minimum tracking can be checked.
class Recorder : public VectorFunc {
public:
   explicit Recorder(double (*f)(Vector&)) : VectorFunc(f) {}
   double Evaluate(Vector& v) override {
      double value = VectorFunc::Evaluate(v);
      if (values.empty() || value < lowest) {
         lowest = value;
         lowestPoint = v;
      }
      values.push_back(value);
      return value;
   }
   std::vector<double> values;
   double lowest = 0;
   Vector lowestPoint;
};

double Quadratic(Vector& v) {
   return v[0] * v[0] + 3 * v[1];
}

double Smooth(Vector& v) {
   return sin(v[0]) * exp(v[1]);
}

TEST(VectorFuncDerivative, KnownGradientsAndMinimum) {
   Recorder f(Quadratic);
   Vector x = Make({1, 2}), d = Make({0, 0});
   f.Derivative(x, d, 0.1);
   EXPECT_NEAR(d[0], 2.0, 1e-9);
   EXPECT_NEAR(d[1], 3.0, 1e-9);
   EXPECT_TRUE(x == Make({1, 2}));
   EXPECT_LE(f.values.size(), 40u);
   EXPECT_EQ(f.minValue, f.lowest);
   EXPECT_TRUE(f.minPoint == f.lowestPoint);

   // Plain central differences at h = 0.1 are off by ~1e-3 here; the
   // extrapolation must do far better.
   VectorFunc g(Smooth);
   Vector y = Make({0.5, -0.3}), e = Make({0, 0, 0});
   g.Derivative(y, e, 0.1);
   EXPECT_NEAR(e[0], cos(0.5) * exp(-0.3), 1e-9);
   EXPECT_NEAR(e[1], sin(0.5) * exp(-0.3), 1e-9);
   EXPECT_TRUE(y == Make({0.5, -0.3}));
   EXPECT_LE(g.minValue, Smooth(y));
}

TEST(MemoryAllocators, MatricesAndCubesFreeToNull) {
   double** m = AllocateDoubleMatrix(3, 4);
   ASSERT_NE(m, nullptr);
   m[2][3] = 11.0;
   FreeDoubleMatrix(m, 3);
   EXPECT_EQ(m, nullptr);
   FreeDoubleMatrix(m, 3);  // a second free is harmless

   char*** cube = AllocateCharCube(2, 3, 4);
   ASSERT_NE(cube, nullptr);
   cube[1][2][3] = 'x';
   FreeCharCube(cube, 2, 3);
   EXPECT_EQ(cube, nullptr);

   // Regression: a negative size threw from new[] and ended the program.
   EXPECT_EQ(AllocateIntMatrix(2, -1), nullptr);
   EXPECT_EQ(AllocateCharCube(-1, 2, 2), nullptr);
}

// Regression: capacities near 2^31 overflowed int and doubled forever.
TEST(GrowthRule, CapacityNearTheIntLimitIsCappedNotWrapped) {
   EXPECT_EQ(loci_internal::GrownCapacity(4, 1 << 30, (1 << 30) + 5), INT_MAX);
   EXPECT_EQ(loci_internal::GrownCapacity(32, 0, INT_MAX - 3), INT_MAX);
   EXPECT_EQ(loci_internal::GrownCapacity(0, 0, 10), 11);  // a granule of 0 counts as 1
   EXPECT_EQ(loci_internal::GrownCapacity(8, 8, 20), 24);
}

TEST(VectorDeathTest, MismatchesAndEmptyStatisticsAreFatal) {
   Vector a = Make({1, 2}), b = Make({1, 2, 3}), empty;
   a.label = "left";
   b.label = "right";
   empty.label = "none";
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

   Matrix m(2, 3);
   m.label = "M";
   EXPECT_FATAL(a.Product(m, a),
                "\nFATAL ERROR - \nVector::Product - Cannot Multiply Matrix by "
                "Vector\nVectors         - M [2, 3] * left [2]\n\n\n");
}

TEST(VectorDeathTest, ElementAccessAssertsUpperBound) {
   Vector v = Make({1, 2});
   const Vector& constant = v;
   EXPECT_DEATH(v[2] = 0,
                "MathVector:61: double& Vector::operator\\[\\]\\(int\\): "
                "Assertion `n < dim' failed");
   EXPECT_DEATH((void)constant[2],
                "MathVector:63: double Vector::operator\\[\\]\\(int\\) const: "
                "Assertion `n < dim' failed");

   Matrix m(2, 2);
   EXPECT_DEATH((void)m[2],
                "MathMatrix:108: Vector& Matrix::operator\\[\\]\\(int\\): "
                "Assertion `i < rows' failed");
   // A row shorter than the column count stops the product.
   m[1].Dimension(1);
   Vector x = Make({1, 1}), y;
   EXPECT_DEATH(y.Product(m, x), "MathVector:61: .*Assertion `n < dim' failed");
}

}  // namespace
