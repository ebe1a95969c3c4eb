// make_regression_data: writes, or compares against, the stored outputs of
// the regression test (see README.md in this folder).
//
//   make_regression_data --write DIR     run both blocks on every case, store the outputs in DIR
//   make_regression_data --compare DIR   run them again and report, per case and output port, how
//                                        far the outputs are from the stored ones (the largest
//                                        difference in units in the last place); exit status 0 only
//                                        when every value is bit for bit the stored one
#include "regression_cases.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

using regression::Row;

// Distance in representable doubles; 0 for identical bits.
uint64_t ulpDistance(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) ? 0 : UINT64_MAX;
    auto ordered = [](double x) {
        const auto bits = std::bit_cast<int64_t>(x);
        return bits < 0 ? INT64_MIN - bits : bits;
    };
    const int64_t ia = ordered(a);
    const int64_t ib = ordered(b);
    return ia > ib ? static_cast<uint64_t>(ia) - static_cast<uint64_t>(ib)
                   : static_cast<uint64_t>(ib) - static_cast<uint64_t>(ia);
}

// Largest ULP distance per port; false when the shapes differ.
bool compare(const char* label, const std::vector<Row>& got, const std::vector<Row>& want,
             const std::vector<int>& widths, bool& identical)
{
    if (got.size() != want.size()) {
        std::printf("%-28s %zu steps stored, %zu run\n", label, want.size(), got.size());
        identical = false;
        return false;
    }
    std::vector<uint64_t> worst(widths.size(), 0);
    for (std::size_t s = 0; s < got.size(); ++s) {
        if (got[s].size() != want[s].size()) {
            std::printf("%-28s step %zu: %zu values stored, %zu run\n", label, s, want[s].size(), got[s].size());
            identical = false;
            return false;
        }
        std::size_t i = 0;
        for (std::size_t p = 0; p < widths.size(); ++p)
            for (int e = 0; e < widths[p]; ++e, ++i) {
                const uint64_t d = std::bit_cast<uint64_t>(got[s][i]) == std::bit_cast<uint64_t>(want[s][i])
                                       ? 0
                                       : ulpDistance(got[s][i], want[s][i]);
                if (d > worst[p]) worst[p] = d;
            }
    }
    std::printf("%-28s", label);
    for (std::size_t p = 0; p < worst.size(); ++p) {
        std::printf("  y%zu %s", p, worst[p] == 0 ? "same" : ("+" + std::to_string(worst[p]) + " ulp").c_str());
        if (worst[p] != 0) identical = false;
    }
    std::printf("\n");
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "--write") != 0 && std::strcmp(argv[1], "--compare") != 0)) {
        std::fprintf(stderr, "usage: make_regression_data --write DIR | --compare DIR\n");
        return 2;
    }
    const bool write = std::strcmp(argv[1], "--write") == 0;
    const std::string dir = argv[2];
    try {
        bool identical = true;
        for (const regression::Case& c : regression::cases()) {
            const std::string posjackPath = regression::dataFile(dir, c, "posjack");
            const std::string jackposPath = regression::dataFile(dir, c, "jackpos");
            const std::vector<Row> posjack = regression::runPosjack(c);
            if (write) {
                // Jackpos runs on the Posjack outputs exactly as they are stored.
                regression::writeRows(posjackPath, posjack);
                regression::writeRows(jackposPath, regression::runJackpos(c, regression::readRows(posjackPath)));
                std::printf("%s: wrote %s and %s\n", c.name.c_str(), posjackPath.c_str(), jackposPath.c_str());
                continue;
            }
            const std::vector<Row> storedPosjack = regression::readRows(posjackPath);
            const std::vector<Row> storedJackpos = regression::readRows(jackposPath);
            compare((c.name + " Posjack").c_str(), posjack, storedPosjack, regression::posjackOutputWidths(c),
                    identical);
            compare((c.name + " Jackpos").c_str(), regression::runJackpos(c, storedPosjack), storedJackpos,
                    regression::jackposOutputWidths(c), identical);
        }
        if (!write) std::printf(identical ? "all outputs bit for bit as stored\n" : "outputs differ from the stored ones\n");
        return identical ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_regression_data: %s\n", e.what());
        return 2;
    }
}
