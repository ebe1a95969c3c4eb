#include "host/array.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace host {

namespace {

std::vector<mwSize> normaliseDims(std::vector<mwSize> dims) {
  while (dims.size() < 2) dims.push_back(dims.empty() ? 0 : 1);
  while (dims.size() > 2 && dims.back() == 1) dims.pop_back();
  return dims;
}

std::size_t product(const std::vector<mwSize>& dims) {
  std::size_t n = 1;
  for (mwSize d : dims) n *= d;
  return n;
}

}  // namespace

Array::Array() : dims_{0, 0} { bind(); }

Array::Array(std::vector<mwSize> dims, std::vector<double> columnMajorData)
    : dims_(normaliseDims(std::move(dims))), data_(std::move(columnMajorData)) {
  if (product(dims_) != data_.size()) {
    throw std::invalid_argument("host::Array: " + std::to_string(data_.size()) +
                                " values do not fill dimensions with " +
                                std::to_string(product(dims_)) + " elements");
  }
  bind();
}

Array Array::scalar(double value) { return Array({1, 1}, {value}); }

Array Array::rowVector(std::vector<double> values) {
  const mwSize n = values.size();
  return Array({1, n}, std::move(values));
}

Array Array::columnVector(std::vector<double> values) {
  const mwSize n = values.size();
  return Array({n, 1}, std::move(values));
}

Array Array::matrix(mwSize rows, mwSize cols, std::vector<double> columnMajorData) {
  return Array({rows, cols}, std::move(columnMajorData));
}

Array Array::fromRows(std::initializer_list<std::initializer_list<double>> rows) {
  const mwSize m = rows.size();
  const mwSize n = m == 0 ? 0 : rows.begin()->size();
  std::vector<double> data(m * n);
  mwSize i = 0;
  for (const auto& row : rows) {
    if (row.size() != n) throw std::invalid_argument("host::Array::fromRows: rows differ in length");
    mwSize j = 0;
    for (double v : row) data[i + j++ * m] = v;
    ++i;
  }
  return Array({m, n}, std::move(data));
}

Array Array::zeros(std::vector<mwSize> dims) {
  dims = normaliseDims(std::move(dims));
  const std::size_t n = product(dims);
  return Array(std::move(dims), std::vector<double>(n, 0.0));
}

Array Array::empty(mwSize rows, mwSize cols) {
  if (rows != 0 && cols != 0) throw std::invalid_argument("host::Array::empty: one dimension must be 0");
  return Array({rows, cols}, {});
}

Array::Array(const Array& other) : dims_(other.dims_), data_(other.data_) { bind(); }

Array::Array(Array&& other) noexcept : dims_(std::move(other.dims_)), data_(std::move(other.data_)) {
  bind();
  other.dims_ = {0, 0};
  other.data_.clear();
  other.bind();
}

Array& Array::operator=(const Array& other) {
  if (this != &other) {
    dims_ = other.dims_;
    data_ = other.data_;
    bind();
  }
  return *this;
}

Array& Array::operator=(Array&& other) noexcept {
  if (this != &other) {
    dims_ = std::move(other.dims_);
    data_ = std::move(other.data_);
    bind();
    other.dims_ = {0, 0};
    other.data_.clear();
    other.bind();
  }
  return *this;
}

mwSize Array::cols() const noexcept {
  mwSize n = 1;
  for (std::size_t k = 1; k < dims_.size(); ++k) n *= dims_[k];
  return n;
}

double Array::at(mwSize row, mwSize col) const {
  if (row >= rows() || col >= cols()) throw std::out_of_range("host::Array::at: index outside the array");
  return data_[row + col * rows()];
}

double& Array::at(mwSize row, mwSize col) {
  if (row >= rows() || col >= cols()) throw std::out_of_range("host::Array::at: index outside the array");
  return data_[row + col * rows()];
}

void Array::bind() noexcept {
  view_.numberOfDimensions = dims_.size();
  view_.dimensions = dims_.data();
  view_.realData = data_.empty() ? nullptr : data_.data();
}

}  // namespace host
