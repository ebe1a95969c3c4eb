// A long run of Posjack feeding Jackpos: the hexapod wanders at random through
// its envelope, and the chain must neither grow in memory, nor put out a
// non-finite value, nor lose the pose: Jackpos's pose, solved from Posjack's
// actuator displacements, stays within 1e-9 (mm, degrees) of the command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "block_chain.h"
#include "blocks/common/block_params.h"
#include "host/simulation.h"
#include "kinematics/kinmodel.h"

namespace reliability {
namespace {

#ifndef SOAK_STEPS
#define SOAK_STEPS 1000000
#endif
constexpr long kSteps = SOAK_STEPS;
// Steps before the first memory reading: the first steps still touch code and
// data pages for the first time (rare branches, library pages), which adds to
// the resident size once without being a leak.
constexpr long kWarmUp = kSteps / 10;
constexpr double kDt = 0.001;   // s
constexpr double kPoseTolerance = 1e-9;

// Anonymous resident memory in pages (RssAnon of /proc/self/status): heap,
// stack and other private data, but not the file-backed code and library
// pages, which the kernel may page in and out whatever the process does (a
// busy machine building in parallel moved the total resident size by more
// than the slack below).
long residentPages()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "RssAnon: %ld kB", &kib) == 1) break;
    }
    std::fclose(f);
    return kib < 0 ? -1 : kib / 4;
}

struct Envelope {
    std::vector<double> lower, upper;  // per DOF, displacement
};

// The table's DOF displacement ranges as the blocks compute them at
// preparation: the same check and loading, on a model of our own.
Envelope displacementRanges(const TableConfig& config)
{
    TableConfig jackpos = config;
    jackpos.jackpos = true;
    const std::vector<host::Array> parameters = hexapodParameters(jackpos);
    host::SimulationStructure sim;
    sim.bindParameters(parameters);
    SimStruct* S = sim.get();
    S->numSFcnParams = JACKPOS_NUM_PARAMS;
    Envelope envelope;
    if (blockParameterError(S, BlockKind::Jackpos) != nullptr) return envelope;
    std::unique_ptr<KinModel, void (*)(KinModel*)> model(kinCreate(), kinDestroy);
    loadBlockParameters(S, BlockKind::Jackpos, model.get());
    for (int k = 0; k < model->numDofs; ++k) {
        envelope.lower.push_back(kinGetMinimum(model.get(), 1, 0, k));
        envelope.upper.push_back(kinGetMaximum(model.get(), 1, 0, k));
    }
    return envelope;
}

bool allFinite(std::span<const double> values)
{
    return std::all_of(values.begin(), values.end(), [](double x) { return std::isfinite(x); });
}

TEST(Soak, RandomWalkThroughTheEnvelope)
{
    const TableConfig config;  // fully equipped hexapod, matrices refreshed, Euler rates
    const Envelope envelope = displacementRanges(config);
    ASSERT_EQ(envelope.lower.size(), 6u);
    for (std::size_t k = 0; k < 6; ++k) {
        ASSERT_LT(envelope.lower[k], 0.0) << "DOF " << k;
        ASSERT_GT(envelope.upper[k], 0.0) << "DOF " << k;
    }

    BlockChain chain(config);
    ASSERT_EQ(chain.initialize(), "");

    // Each DOF wanders in a fifth of its own range (the ranges hold for one
    // DOF at a time; all six at once need the margin), with steps of up to a
    // thousandth of that range, and turns back at the edge.
    constexpr double kShare = 0.2;
    std::mt19937_64 random(20261211);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<double> pose(6, 0.0), velocity(6, 0.0), previousVelocity(6, 0.0);
    std::vector<double> lo(6), hi(6), stride(6);
    for (std::size_t k = 0; k < 6; ++k) {
        lo[k] = kShare * envelope.lower[k];
        hi[k] = kShare * envelope.upper[k];
        stride[k] = (hi[k] - lo[k]) * 1e-3;
    }
    constexpr double kForce[6] = {800.0, 700.0, 4000.0, 60000.0, 50000.0, 40000.0};

    long nonFinite = 0;
    long poseMisses = 0;
    long firstMiss = -1;
    double worstError = 0.0;
    long before = -1;

    for (long step = 0; step < kSteps; ++step) {
        if (step == kWarmUp) before = residentPages();
        for (std::size_t k = 0; k < 6; ++k) {
            double next = pose[k] + stride[k] * unit(random);
            if (next > hi[k] || next < lo[k]) next = 2.0 * pose[k] - next;  // reflect at the edge
            velocity[k] = (next - pose[k]) / kDt;
            chain.command(0)[k] = next;
            chain.command(1)[k] = velocity[k];
            chain.command(2)[k] = (velocity[k] - previousVelocity[k]) / kDt;
            chain.command(3)[k] = kForce[k] * unit(random);
            pose[k] = next;
            previousVelocity[k] = velocity[k];
        }
        chain.posjack().outputs();
        chain.connect();
        chain.jackpos().outputs();

        for (int port = 0; port < chain.posjack().numOutputPorts(); ++port)
            if (!allFinite(chain.posjack().output(port))) ++nonFinite;
        for (int port = 0; port < chain.jackpos().numOutputPorts(); ++port)
            if (!allFinite(chain.jackpos().output(port))) ++nonFinite;
        const auto recovered = chain.jackpos().output(0);
        for (std::size_t k = 0; k < 6; ++k) {
            const double error = std::fabs(recovered[k] - pose[k]);
            if (!(error <= kPoseTolerance)) {
                if (firstMiss < 0) firstMiss = step;
                ++poseMisses;
            }
            if (error > worstError || std::isnan(error)) worstError = error;
        }
    }
    const long after = residentPages();

    EXPECT_EQ(nonFinite, 0);
    EXPECT_EQ(poseMisses, 0) << "first at step " << firstMiss << ", worst error " << worstError;
    ASSERT_GT(before, 0);
    // Nothing is allocated per step. 64 pages (256 KiB) of slack cover a late
    // first touch of private data (a rare path of the maths library meets its
    // first argument at some step); a leak of even one heap block per step
    // (32 bytes or more) would add many megabytes over the steps after the
    // warm-up.
    EXPECT_LE(after, before + 64) << "resident pages " << before << " -> " << after;
    char worst[32];
    std::snprintf(worst, sizeof worst, "%.3g", worstError);
    RecordProperty("worst_pose_error", worst);
    RecordProperty("steps", std::to_string(kSteps));
}

}  // namespace
}  // namespace reliability
