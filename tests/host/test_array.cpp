// host::Array and the array queries a block runs on its view.
#include "host/array.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using host::Array;

struct ShapeCase {
  std::string label;
  Array array;
  std::vector<mwSize> dims;  // as MATLAB reports them
  mwSize m;
  mwSize n;  // product of the dimensions after the first
  std::size_t numel;
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.label; }

class ArrayShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ArrayShape, ViewReportsMatlabShape) {
  const ShapeCase& c = GetParam();
  const mxArray* a = c.array.mx();
  ASSERT_EQ(mxGetNumberOfDimensions(a), c.dims.size());
  EXPECT_EQ(std::vector<mwSize>(mxGetDimensions(a), mxGetDimensions(a) + c.dims.size()), c.dims);
  EXPECT_EQ(mxGetM(a), c.m);
  EXPECT_EQ(mxGetN(a), c.n);
  EXPECT_EQ(mxGetNumberOfElements(a), c.numel);
  EXPECT_EQ(mxIsEmpty(a), c.numel == 0);
  EXPECT_EQ(c.array.rows(), c.m);
  EXPECT_EQ(c.array.cols(), c.n);
  if (c.numel == 0) {
    EXPECT_EQ(mxGetPr(a), nullptr);
    EXPECT_EQ(mxGetScalar(a), 0.0);
  } else {
    EXPECT_EQ(mxGetPr(a), c.array.data().data());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ArrayShape,
    ::testing::Values(
        ShapeCase{"empty0x0", Array(), {0, 0}, 0, 0, 0},
        ShapeCase{"empty2x0", Array::empty(2, 0), {2, 0}, 2, 0, 0},
        ShapeCase{"empty0x3", Array::empty(0, 3), {0, 3}, 0, 3, 0},
        ShapeCase{"scalar", Array::scalar(7.5), {1, 1}, 1, 1, 1},
        ShapeCase{"row", Array::rowVector({1, 2, 3, 4}), {1, 4}, 1, 4, 4},
        ShapeCase{"column", Array::columnVector({1, 2, 3}), {3, 1}, 3, 1, 3},
        ShapeCase{"nd2x3x4", Array::zeros({2, 3, 4}), {2, 3, 4}, 2, 12, 24},
        ShapeCase{"trailingSingletonDropped", Array::zeros({2, 3, 1}), {2, 3}, 2, 3, 6},
        ShapeCase{"innerSingletonKept", Array::zeros({3, 1, 2}), {3, 1, 2}, 3, 2, 6},
        ShapeCase{"oneDimIsColumn", Array({5}, std::vector<double>(5, 1.0)), {5, 1}, 5, 1, 5},
        ShapeCase{"ndEmpty3x0x2", Array::zeros({3, 0, 2}), {3, 0, 2}, 3, 0, 0}),
    [](const auto& info) { return info.param.label; });

TEST(Array, FromRowsStoresColumnMajor) {
  const Array a = Array::fromRows({{1, 2, 3}, {4, 5, 6}});
  const std::vector<double> expected{1, 4, 2, 5, 3, 6};
  EXPECT_EQ(std::vector<double>(a.data().begin(), a.data().end()), expected);
  EXPECT_EQ(a.at(1, 2), 6.0);
  EXPECT_EQ(a.at(0, 1), 2.0);
  // The block sees (i, j) at i + j*M.
  const double* pr = mxGetPr(a.mx());
  EXPECT_EQ(pr[1 + 2 * 2], 6.0);
  EXPECT_EQ(mxGetScalar(a.mx()), 1.0);
}

TEST(Array, NdElementsFollowColumnMajorOrder) {
  // Element (i, j, k) of a 2 x 3 x 4 array sits at i + 2*(j + 3*k).
  std::vector<double> data(24);
  for (std::size_t k = 0; k < 4; ++k)
    for (std::size_t j = 0; j < 3; ++j)
      for (std::size_t i = 0; i < 2; ++i) data[i + 2 * (j + 3 * k)] = 100.0 * i + 10.0 * j + k;
  const Array a({2, 3, 4}, data);
  const double* pr = mxGetPr(a.mx());
  EXPECT_EQ(pr[1 + 2 * (2 + 3 * 3)], 123.0);
  EXPECT_EQ(pr[0 + 2 * (1 + 3 * 2)], 12.0);
  // Seen as 2 x 12, column c = j + 3*k.
  EXPECT_EQ(a.at(1, 2 + 3 * 3), 123.0);
}

TEST(Array, RejectsInconsistentConstruction) {
  EXPECT_THROW(Array({2, 3}, std::vector<double>(5)), std::invalid_argument);
  EXPECT_THROW(Array::matrix(2, 2, {1, 2, 3}), std::invalid_argument);
  EXPECT_THROW(Array::fromRows({{1, 2}, {3}}), std::invalid_argument);
  EXPECT_THROW(Array::empty(2, 3), std::invalid_argument);
  const Array a = Array::scalar(1.0);
  EXPECT_THROW(a.at(1, 0), std::out_of_range);
  EXPECT_THROW(a.at(0, 1), std::out_of_range);
}

TEST(Array, CopiesAndMovesKeepTheirOwnView) {
  Array original = Array::fromRows({{1, 2}, {3, 4}});
  Array copy = original;
  original.at(0, 0) = 99.0;
  EXPECT_EQ(mxGetScalar(copy.mx()), 1.0);
  EXPECT_EQ(mxGetPr(copy.mx()), copy.data().data());
  EXPECT_EQ(mxGetDimensions(copy.mx()), copy.dims().data());

  Array moved = std::move(original);
  EXPECT_EQ(mxGetScalar(moved.mx()), 99.0);
  EXPECT_EQ(mxGetPr(moved.mx()), moved.data().data());

  std::vector<Array> many;
  for (int i = 0; i < 40; ++i) many.push_back(Array::scalar(i));  // reallocations move elements
  for (int i = 0; i < 40; ++i) EXPECT_EQ(mxGetScalar(many[static_cast<std::size_t>(i)].mx()), i);

  copy = many[7];
  EXPECT_EQ(mxGetScalar(copy.mx()), 7.0);
  EXPECT_EQ(mxGetNumberOfDimensions(copy.mx()), 2u);
}

TEST(ArrayQueries, NullArrayReadsAsEmpty) {
  // ssGetSFcnParam answers NULL past the last parameter; the queries must not crash on it.
  EXPECT_TRUE(mxIsEmpty(nullptr));
  EXPECT_EQ(mxGetNumberOfElements(nullptr), 0u);
  EXPECT_EQ(mxGetM(nullptr), 0u);
  EXPECT_EQ(mxGetN(nullptr), 0u);
  EXPECT_EQ(mxGetScalar(nullptr), 0.0);
  EXPECT_EQ(mxGetPr(nullptr), nullptr);
  EXPECT_EQ(mxGetDimensions(nullptr), nullptr);
}

}  // namespace
