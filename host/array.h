// host::Array: an owned real double array as MATLAB keeps one, and the
// mxArray view through which a plug-in reads it.
//
// The data are column-major: element (i, j, k, ...) of an array with
// dimensions (m, n, p, ...) sits at i + m*(j + n*(k + p*...)). An array has
// at least two dimensions; trailing singleton dimensions beyond the second
// are dropped, as MATLAB does (2 x 3 x 1 is 2 x 3), so the dimensions a block
// sees are MATLAB's.
#pragma once

#include "blocks/common/sfunction.h"

#include <cstddef>
#include <initializer_list>
#include <span>
#include <vector>

namespace host {

class Array {
 public:
  // 0 x 0.
  Array();
  // Any shape; data.size() must equal the product of dims (std::invalid_argument).
  // Fewer than two dimensions are padded with 1 (a single n means n x 1).
  Array(std::vector<mwSize> dims, std::vector<double> columnMajorData);

  static Array scalar(double value);
  static Array rowVector(std::vector<double> values);     // 1 x n
  static Array columnVector(std::vector<double> values);  // n x 1
  static Array matrix(mwSize rows, mwSize cols, std::vector<double> columnMajorData);
  // A matrix written row by row, as one would type it; rows must be equal in length.
  static Array fromRows(std::initializer_list<std::initializer_list<double>> rows);
  static Array zeros(std::vector<mwSize> dims);
  static Array empty(mwSize rows = 0, mwSize cols = 0);

  Array(const Array& other);
  Array(Array&& other) noexcept;
  Array& operator=(const Array& other);
  Array& operator=(Array&& other) noexcept;
  ~Array() = default;

  const std::vector<mwSize>& dims() const noexcept { return dims_; }
  mwSize rows() const noexcept { return dims_[0]; }
  // Product of every dimension after the first.
  mwSize cols() const noexcept;
  std::size_t numel() const noexcept { return data_.size(); }
  bool isEmpty() const noexcept { return data_.empty(); }

  std::span<const double> data() const noexcept { return data_; }
  std::span<double> data() noexcept { return data_; }
  // Element (row, col) of the array seen as rows() x cols(); throws std::out_of_range.
  double at(mwSize row, mwSize col) const;
  double& at(mwSize row, mwSize col);

  // The view handed to plug-ins; valid while this Array lives and keeps its shape.
  const mxArray* mx() const noexcept { return &view_; }

  friend bool operator==(const Array& a, const Array& b) noexcept {
    return a.dims_ == b.dims_ && a.data_ == b.data_;
  }

 private:
  void bind() noexcept;

  std::vector<mwSize> dims_;
  std::vector<double> data_;
  mxArray view_{};
};

}  // namespace host
