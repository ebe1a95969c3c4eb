// Test helpers for MAT files: writing and reading variables straight through
// matio, so that the files a test feeds sfhost (and the ones it reads back)
// do not pass through the code under test.
#pragma once

#include <gtest/gtest.h>
#include <matio.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mat_test {

struct Matrix {
    std::vector<std::size_t> dims;
    std::vector<double> data;  // column-major
};

inline void writeRaw(const std::string& path, const std::function<void(mat_t*)>& make,
                     mat_ft version = MAT_FT_MAT5) {
    mat_t* mat = Mat_CreateVer(path.c_str(), nullptr, version);
    ASSERT_NE(mat, nullptr) << path;
    make(mat);
    Mat_Close(mat);
}

inline void putVar(mat_t* mat, matvar_t* v) {
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(Mat_VarWrite(mat, v, MAT_COMPRESSION_NONE), 0);
    Mat_VarFree(v);
}

inline void putDouble(mat_t* mat, const char* name, std::vector<std::size_t> dims, std::vector<double> data) {
    putVar(mat, Mat_VarCreate(name, MAT_C_DOUBLE, MAT_T_DOUBLE, static_cast<int>(dims.size()), dims.data(),
                              data.data(), 0));
}

// A variable read back through matio; empty dims when it is not there.
inline Matrix readRaw(const std::string& path, const std::string& name) {
    Matrix out;
    mat_t* mat = Mat_Open(path.c_str(), MAT_ACC_RDONLY);
    EXPECT_NE(mat, nullptr) << path;
    if (!mat) return out;
    if (matvar_t* v = Mat_VarRead(mat, name.c_str())) {
        EXPECT_EQ(v->class_type, MAT_C_DOUBLE) << name;
        out.dims.assign(v->dims, v->dims + v->rank);
        std::size_t n = 1;
        for (auto d : out.dims) n *= d;
        if (n) out.data.assign(static_cast<double*>(v->data), static_cast<double*>(v->data) + n);
        Mat_VarFree(v);
    }
    Mat_Close(mat);
    return out;
}

inline std::vector<std::string> variableNames(const std::string& path) {
    std::vector<std::string> names;
    mat_t* mat = Mat_Open(path.c_str(), MAT_ACC_RDONLY);
    EXPECT_NE(mat, nullptr) << path;
    if (!mat) return names;
    while (matvar_t* v = Mat_VarReadNextInfo(mat)) {
        names.emplace_back(v->name);
        Mat_VarFree(v);
    }
    Mat_Close(mat);
    return names;
}

inline bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::bit_cast<std::uint64_t>(a[i]) != std::bit_cast<std::uint64_t>(b[i])) return false;
    return true;
}

}  // namespace mat_test
