// One dialog parameter as sfhost hands it to a block: a real double array with
// MATLAB's dimensions and column-major data, independent of any host library.
#pragma once

#include <cstddef>
#include <vector>

namespace sfhost {

struct ParamValue {
    // At least two dimensions; trailing singleton dimensions past the second
    // are dropped, as MATLAB does (a 3x6x1 array is 3x6).
    std::vector<std::size_t> dims;
    std::vector<double> data;  // column-major, product(dims) elements

    friend bool operator==(const ParamValue&, const ParamValue&) = default;
};

// Builds a value from dimensions and column-major data, normalising the
// dimensions (fewer than two padded with 1, trailing ones dropped).
ParamValue makeParamValue(std::vector<std::size_t> dims, std::vector<double> data);

}  // namespace sfhost
