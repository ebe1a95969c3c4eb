// Fuzz target: the blocks' dialog parameters, through the real plug-ins.
//
// Each input builds one parameter set for Jackpos (17 parameters) or Posjack
// (15) and runs it through host::Block: registration, mdlInitializeSizes with
// the validation and the loading, the host's count check. When the block
// accepts the set, a few output steps run with arbitrary inputs, and the set
// is then replaced by a mutated one as after a dialog edit
// (mdlCheckParameters).
//
// Arbitrary bytes almost never make a set that passes the first checks, so the
// input is read as a recipe: a structurally valid table first (actuator count,
// DOF list, sensors, accelerometers, actuator types, link pivot and limit
// forms, modes), then a list of mutations that replace a parameter by an
// arbitrary array (any shape, empty, N-D), set one element to an arbitrary
// double (NaN, infinities, huge, subnormal, integer edges), reshape one, or
// change the parameter count. When the input runs out, the recipe falls back
// to the defaults (a fully equipped hexapod), so short inputs are valid sets.
//
// Every outcome must be either success or one of the system's messages: a
// block message begins with "(mdl", and the host's count message reads
// "<block>: M parameters given, N expected.". An output step never sets an
// error. Sanitizer reports, leaks and hangs are findings.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "host/array.h"
#include "host/loader.h"

namespace {

using host::Array;

constexpr int kMaxActuators = 24;
constexpr int kMaxSteps = 6;
constexpr int kMaxMutations = 12;

std::shared_ptr<const host::Plugin> jackpos;
std::shared_ptr<const host::Plugin> posjack;
bool verbose = false;

[[noreturn]] void fail(const char *what, const char *detail)
{
    std::fprintf(stderr, "fuzz_block_params: %s: %s\n", what, detail != nullptr ? detail : "(null)");
    std::abort();
}

// A double as the fuzzer chooses it; a 0 tag (also what an exhausted input
// gives) keeps the base value.
double value(FuzzedDataProvider &in, double base)
{
    static constexpr double kSpecial[] = {
        std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::max(),
        -std::numeric_limits<double>::max(),
        std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(),
        0.0,
        -0.0,
        1e154,
        -1e154,
        2147483647.0,
        2147483648.0,
        -2147483648.0,
        -2147483649.0,
        4294967296.0,
        1e19,
        0.5,
        -0.5,
        0.9999999999999999,
        24.0,
        25.0,
        6.0,
        7.0,
    };
    switch (in.ConsumeIntegral<uint8_t>() % 8) {
    case 4: {
        const uint64_t bits = in.ConsumeIntegral<uint64_t>();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        return x;
    }
    case 5:
        return kSpecial[in.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)];
    case 6:
        return static_cast<double>(in.ConsumeIntegralInRange<int>(-3, 30));
    case 7:
        return base + in.ConsumeFloatingPointInRange<double>(-1000.0, 1000.0);
    default:
        return base;
    }
}

// The recipe's valid table: n actuators on a ring, heads above bases.
struct Table {
    bool isJackpos = true;
    int n = 6;
    std::vector<double> dofs;
    int a = 6;
    bool velocitySensors = true;
    bool forceSensors = true;
    std::vector<double> types;
    int linkPages = 0;  // 0 none, 1 one 3 x n page, 3 three pages
    bool displMaxMin = false;
    bool forceMaxMin = true;
    double updateMode = 1;
    double rateType = 1;
    double iterations = 4;
};

Table readTable(FuzzedDataProvider &in)
{
    Table t;
    const uint8_t flags = in.ConsumeIntegral<uint8_t>();
    t.isJackpos = (flags & 1) == 0;
    t.velocitySensors = (flags & 2) == 0;
    t.forceSensors = (flags & 4) == 0;
    t.displMaxMin = (flags & 8) != 0;
    t.forceMaxMin = (flags & 16) == 0;
    t.updateMode = (flags & 32) ? 0 : 1;
    t.rateType = (flags & 64) ? 0 : 1;

    t.n = (in.ConsumeIntegral<uint8_t>() + 5) % kMaxActuators + 1;
    int mask = in.ConsumeIntegral<uint8_t>() & 63;
    if (mask == 0) mask = 63;
    for (int code = 0; code < 6; ++code)
        if (mask & (1 << code)) t.dofs.push_back(code + 1);
    const uint8_t accels = in.ConsumeIntegral<uint8_t>();
    t.a = accels == 0 ? 6 : (accels - 1) % (kMaxActuators + 1);

    const uint8_t typeSel = in.ConsumeIntegral<uint8_t>();
    for (int i = 0; i < t.n; ++i)
        t.types.push_back(typeSel == 0 ? 1.0 : 1.0 + in.ConsumeIntegral<uint8_t>() % 5);
    const bool needsLinks = std::any_of(t.types.begin(), t.types.end(), [](double c) { return c > 1; });
    const uint8_t linkSel = in.ConsumeIntegral<uint8_t>() % 3;
    t.linkPages = needsLinks ? (linkSel == 1 ? 1 : 3) : (linkSel == 0 ? 0 : linkSel == 1 ? 1 : 3);
    if (t.n == 1) {  // a 1 x 2 limit array is in vector form: one actuator has no max/min form
        t.displMaxMin = false;
        t.forceMaxMin = false;
    }
    t.iterations = in.ConsumeIntegralInRange<int>(0, 8);
    if (t.iterations == 0) t.iterations = 4;
    return t;
}

// A 3 x count array of points on a ring of the radius at height z, with a
// phase so that heads and bases do not line up.
Array ring(int count, double radius, double z, double phase, FuzzedDataProvider &in)
{
    std::vector<double> data;
    for (int j = 0; j < count; ++j) {
        const double angle = 2.0 * std::numbers::pi * j / count + phase;
        data.push_back(value(in, radius * std::cos(angle)));
        data.push_back(value(in, radius * std::sin(angle)));
        data.push_back(value(in, z));
    }
    return Array({3, static_cast<mwSize>(count)}, data);
}

Array limits(int n, bool maxMin, double maximum, double minimum, FuzzedDataProvider &in)
{
    std::vector<double> data;
    for (int i = 0; i < n; ++i) data.push_back(value(in, maximum));
    if (!maxMin) return Array::rowVector(data);
    for (int i = 0; i < n; ++i) data.push_back(value(in, minimum));
    return Array::matrix(static_cast<mwSize>(n), 2, data);
}

Array valuesOf(std::vector<double> data, FuzzedDataProvider &in)
{
    for (double &x : data) x = value(in, x);
    return Array::rowVector(data);
}

std::vector<Array> parametersOf(const Table &t, FuzzedDataProvider &in)
{
    const int n = t.n;
    std::vector<Array> p;
    p.push_back(valuesOf(t.types, in));
    p.push_back(Array::scalar(value(in, t.velocitySensors ? n : 0)));
    p.push_back(Array::scalar(value(in, t.forceSensors ? n : 0)));
    p.push_back(valuesOf(t.dofs, in));
    p.push_back(ring(n, 200.0, 500.0, 0.2, in));
    p.push_back(ring(n, 400.0, 0.0, -0.3, in));
    if (t.linkPages == 0) {
        p.push_back(Array::empty());
    } else {
        std::vector<double> link;
        for (int page = 0; page < t.linkPages; ++page) {
            const Array points = ring(n, 300.0 + 20.0 * page, 250.0 - 50.0 * page, 0.1 * page, in);
            link.insert(link.end(), points.data().begin(), points.data().end());
        }
        std::vector<mwSize> dims{3, static_cast<mwSize>(n)};
        if (t.linkPages == 3) dims.push_back(3);
        p.push_back(Array(dims, link));
    }
    p.push_back(ring(t.a, 150.0, 500.0, 0.5, in));
    {
        std::vector<double> orientations;
        for (int j = 0; j < t.a; ++j) {
            orientations.push_back(value(in, j % 3 == 0 ? 1.0 : 0.0));
            orientations.push_back(value(in, j % 3 == 1 ? 1.0 : 0.0));
            orientations.push_back(value(in, j % 3 == 2 ? 1.0 : 0.0));
        }
        p.push_back(Array({3, static_cast<mwSize>(t.a)}, orientations));
    }
    p.push_back(valuesOf({0, 0, 500, 0, 0, 0}, in));
    if (t.isJackpos) p.push_back(limits(n, t.displMaxMin, 150.0, -150.0, in));
    p.push_back(limits(n, t.forceMaxMin, 20000.0, -15000.0, in));
    const double deg = std::numbers::pi / 180.0;
    p.push_back(valuesOf({1, 1, 1, 1, deg, deg, deg, 1}, in));
    p.push_back(Array::scalar(value(in, 0.0)));
    p.push_back(Array::scalar(value(in, t.updateMode)));
    p.push_back(Array::scalar(value(in, t.rateType)));
    if (t.isJackpos) p.push_back(Array::scalar(value(in, t.iterations)));
    return p;
}

std::vector<mwSize> arbitraryDims(FuzzedDataProvider &in)
{
    const int ndims = in.ConsumeIntegralInRange<int>(0, 4);
    std::vector<mwSize> dims;
    for (int k = 0; k < ndims; ++k) {
        const uint8_t d = in.ConsumeIntegral<uint8_t>();
        dims.push_back(d < 200 ? d % 8 : 20 + d % 10);  // mostly small, some past the capacities
    }
    return dims;
}

mwSize product(const std::vector<mwSize> &dims)
{
    mwSize count = 1;
    for (mwSize d : dims) count *= d;
    return count;
}

void mutate(std::vector<Array> &p, FuzzedDataProvider &in)
{
    const int count = in.ConsumeIntegralInRange<int>(0, kMaxMutations);
    for (int m = 0; m < count && in.remaining_bytes() > 0; ++m) {
        const uint8_t op = in.ConsumeIntegral<uint8_t>() % 6;
        if (op == 5) {  // the parameter count: drop the last or add one
            if (in.ConsumeBool()) {
                if (!p.empty()) p.pop_back();
            } else if (p.size() < 20) {
                p.push_back(Array::scalar(value(in, 1.0)));
            }
            continue;
        }
        if (p.empty()) continue;
        Array &target = p[in.ConsumeIntegralInRange<size_t>(0, p.size() - 1)];
        switch (op) {
        case 0: {  // any array
            std::vector<mwSize> dims = arbitraryDims(in);
            while (dims.size() < 2) dims.push_back(1);
            std::vector<double> data(product(dims));
            for (double &x : data) x = value(in, 1.0);
            target = Array(dims, data);
            break;
        }
        case 1:  // one element
            if (!target.isEmpty()) {
                const size_t k = in.ConsumeIntegralInRange<size_t>(0, target.numel() - 1);
                const std::vector<mwSize> dims = target.dims();
                std::vector<double> data(target.data().begin(), target.data().end());
                data[k] = value(in, data[k]);
                target = Array(dims, data);
            }
            break;
        case 2: {  // the same data in another shape
            const std::vector<double> data(target.data().begin(), target.data().end());
            const mwSize numel = data.size();
            std::vector<mwSize> dims;
            switch (in.ConsumeIntegral<uint8_t>() % 5) {
            case 0: dims = {numel, 1}; break;
            case 1: dims = {1, numel}; break;
            case 2: dims = {1, 1, numel}; break;
            case 3:
                if (numel % 3 == 0) dims = {3, 1, numel / 3};
                else dims = {numel, 1, 1, 1};
                break;
            default: dims = {1, numel, 1, 1}; break;
            }
            target = Array(dims, data);
            break;
        }
        case 3: {  // empty, in one of its shapes
            const mwSize k = in.ConsumeIntegralInRange<mwSize>(0, 6);
            switch (in.ConsumeIntegral<uint8_t>() % 4) {
            case 0: target = Array::empty(); break;
            case 1: target = Array::empty(k, 0); break;
            case 2: target = Array::empty(0, k); break;
            default: target = Array({3, k, 0}, {}); break;
            }
            break;
        }
        default:  // a scalar
            target = Array::scalar(value(in, 0.0));
            break;
        }
    }
}

bool isSystemMessage(const host::Block &block, const char *message)
{
    if (message == nullptr) return false;
    if (std::strncmp(message, "(mdl", 4) == 0) return true;
    static const std::regex count("^(Jackpos|Posjack): [0-9]+ parameters? given, [0-9]+ expected\\.$");
    return std::regex_match(message, count) && std::strncmp(message, block.name().c_str(), block.name().size()) == 0;
}

void runSteps(host::Block &block, FuzzedDataProvider &in)
{
    const int steps = in.ConsumeIntegralInRange<int>(1, kMaxSteps);
    for (int step = 0; step < steps; ++step) {
        for (int port = 0; port < block.numInputPorts(); ++port) {
            for (double &x : block.input(port)) x = value(in, x);
        }
        if (!block.outputs()) fail("an output step set an error", block.errorStatus());
        if (block.errorStatus() != nullptr) fail("an output step left an error", block.errorStatus());
        for (int port = 0; port < block.numOutputPorts(); ++port) {
            if (static_cast<int>(block.output(port).size()) != block.outputWidth(port))
                fail("output port size differs from its width", block.name().c_str());
        }
    }
}

// Jackpos runs as many Newton steps per output step as forwardIterations
// asks, with no upper bound (about a microsecond each): a count in the
// billions is accepted and makes every step take most of an hour. That is the
// work the dialog asked for rather than a fault of the step, so the output
// steps are left out above a count no table needs.
bool tooManyIterations(const host::Block &block)
{
    constexpr double kMaxIterations = 1000.0;
    if (block.name() != "Jackpos" || block.parameters().size() != 17) return false;
    const host::Array &iterations = block.parameters()[16];
    return !iterations.isEmpty() && iterations.data()[0] > kMaxIterations;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // FUZZ_VERBOSE=1 tells each input's block and outcome (to see what a
    // seed reaches).
    verbose = std::getenv("FUZZ_VERBOSE") != nullptr;
    jackpos = std::make_shared<const host::Plugin>(JACKPOS_PLUGIN);
    posjack = std::make_shared<const host::Plugin>(POSJACK_PLUGIN);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const Table table = readTable(in);
    std::vector<Array> parameters = parametersOf(table, in);
    mutate(parameters, in);

    host::Block block(table.isJackpos ? jackpos : posjack, std::move(parameters));
    const bool accepted = block.initialize();
    if (verbose) {
        std::fprintf(stderr, "%s n=%d d=%zu a=%d: %s\n", block.name().c_str(), table.n, table.dofs.size(), table.a,
                     accepted ? "accepted" : block.errorStatus());
    }
    if (!accepted) {
        if (!isSystemMessage(block, block.errorStatus()))
            fail("initialization failed without a message of the system", block.errorStatus());
        return 0;
    }
    if (block.errorStatus() != nullptr) fail("initialized with an error set", block.errorStatus());
    if (!tooManyIterations(block)) runSteps(block, in);

    // A dialog edit: the set again, mutated, through mdlCheckParameters.
    if (in.remaining_bytes() > 0) {
        std::vector<Array> edited = block.parameters();
        mutate(edited, in);
        if (!block.setParameters(std::move(edited)) && !isSystemMessage(block, block.errorStatus()))
            fail("a parameter edit failed without a message of the system", block.errorStatus());
    }
    return 0;
}
