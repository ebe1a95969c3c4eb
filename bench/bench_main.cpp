// Benchmarks of the blocks' output steps through the loaded plug-ins and of
// the kinematics operations they are made of. Run by scripts/bench; see
// bench/README.md for what each one measures and the latest figures.
#include <benchmark/benchmark.h>

#include "block_run.h"
#include "blocks/common/block_params.h"
#include "host/simulation.h"
#include "kinematics/kinmodel.h"

#include <cstdio>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using benchtab::Row;
using benchtab::Setup;
using benchtab::Table;

// A realistic control-rate trajectory: 1000 steps over one second, so every
// step is a 1 ms move from the last and the loop wraps round smoothly.
constexpr int kSteps = 1000;
constexpr double kPeriod = 1.0;

constexpr Table kTables[] = {Table::Hexapod, Table::Redundant24, Table::BellCrank};

struct ModelDeleter {
    void operator()(KinModel* m) const { kinDestroy(m); }
};
using ModelPtr = std::unique_ptr<KinModel, ModelDeleter>;

// A model loaded from the block's dialog list exactly as the block loads it;
// prepared or only configured.
ModelPtr loadModel(BlockKind kind, const Setup& setup, bool prepare)
{
    const std::vector<host::Array> params = benchtab::blockParameters(kind, setup);
    host::SimulationStructure sim;
    sim.bindParameters(params);
    SimStruct* S = sim.get();
    S->numSFcnParams = blockParamCount(kind);
    if (const char* message = blockParameterError(S, kind)) throw std::runtime_error(message);
    ModelPtr model(kinCreate());
    if (prepare)
        loadBlockParameters(S, kind, model.get());
    else
        configureBlockModel(S, kind, model.get());
    return model;
}

void rates(benchmark::State& state)
{
    state.counters["calls/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}

// One block instance over its trajectory; every benchmark iteration is one
// step: the host writes the step's inputs into the ports, then mdlOutputs.
// A case is set up when its benchmark first runs (outside the timed loop),
// so a filtered run sets up only what it measures.
struct StepCase {
    bool jackpos;
    Setup setup;
    std::unique_ptr<host::Block> block;
    std::vector<Row> inputs;

    void prepare()
    {
        if (block) return;
        const auto motion = benchtab::trajectory(setup.table, kSteps, kPeriod);
        if (jackpos) {
            inputs = benchtab::jackposInputs(POSJACK_PATH, setup, motion);
            block = benchtab::openBlock(JACKPOS_PATH, benchtab::blockParameters(BlockKind::Jackpos, setup));
        } else {
            for (const auto& m : motion) inputs.push_back(benchtab::posjackInputs(m));
            block = benchtab::openBlock(POSJACK_PATH, benchtab::blockParameters(BlockKind::Posjack, setup));
        }
    }
};

void runSteps(benchmark::State& state, StepCase& c)
{
    c.prepare();
    host::Block& block = *c.block;
    std::vector<std::span<double>> ports;
    for (int k = 0; k < block.numInputPorts(); ++k) ports.push_back(block.input(k));
    std::size_t step = 0;
    for (auto _ : state) {
        const double* row = c.inputs[step].data();
        for (std::span<double> port : ports) {
            for (double& v : port) v = *row++;
        }
        block.outputs();
        benchmark::DoNotOptimize(block.output(0).data());
        benchmark::ClobberMemory();
        if (++step == c.inputs.size()) step = 0;
    }
    rates(state);
}

std::vector<std::unique_ptr<StepCase>> gStepCases;
std::vector<ModelPtr> gModels;

void registerSteps()
{
    for (const char* blockName : {"Posjack", "Jackpos"}) {
        for (Table table : kTables) {
            for (int mode : {1, 0}) {
                auto c = std::make_unique<StepCase>();
                c->jackpos = blockName[0] == 'J';
                c->setup = Setup{table, mode, 3};
                const std::string name =
                    std::string(blockName) + "Step/" + benchtab::tableName(table) + "/U" + std::to_string(mode);
                StepCase* raw = c.get();
                gStepCases.push_back(std::move(c));
                benchmark::RegisterBenchmark(name.c_str(), [raw](benchmark::State& s) { runSteps(s, *raw); });
            }
        }
    }
}

// kinPrepare needs the point sets as the setters left them (it transforms
// them in place), so every iteration starts from a fresh copy of the
// configured model, made with the timer paused.
void registerPrepare()
{
    for (Table table : kTables) {
        const Setup setup{table, 1, 3};
        ModelPtr configured = loadModel(BlockKind::Jackpos, setup, false);
        ModelPtr work(kinCreate());
        KinModel* src = configured.get();
        KinModel* dst = work.get();
        gModels.push_back(std::move(configured));
        gModels.push_back(std::move(work));
        benchmark::RegisterBenchmark((std::string("kinPrepare/") + benchtab::tableName(table)).c_str(),
                                     [src, dst](benchmark::State& state) {
                                         const double zero[MAX_DOFS] = {};
                                         for (auto _ : state) {
                                             state.PauseTiming();
                                             *dst = *src;
                                             state.ResumeTiming();
                                             kinPrepare(dst, zero);
                                             benchmark::ClobberMemory();
                                         }
                                         rates(state);
                                     });
    }
}

// The forward kinematics alone, as Jackpos calls it (update mode 1, three
// iterations), over the displacements of the trajectory.
void registerForward()
{
    for (Table table : kTables) {
        auto inputs = std::make_shared<std::vector<Row>>();
        auto model = std::make_shared<ModelPtr>();
        benchmark::RegisterBenchmark((std::string("kinActuatorsToPose/") + benchtab::tableName(table)).c_str(),
                                     [table, inputs, model](benchmark::State& state) {
                                         const Setup setup{table, 1, 3};
                                         if (!*model) {   // set up on the first run, outside the timing
                                             *inputs = benchtab::jackposInputs(
                                                 POSJACK_PATH, setup, benchtab::trajectory(table, kSteps, kPeriod));
                                             *model = loadModel(BlockKind::Jackpos, setup, true);
                                         }
                                         KinModel* m = model->get();
                                         double pose[MAX_DOFS] = {};
                                         std::size_t step = 0;
                                         for (auto _ : state) {
                                             kinActuatorsToPose(m, (*inputs)[step].data(), pose);
                                             benchmark::DoNotOptimize(pose);
                                             if (++step == inputs->size()) step = 0;
                                         }
                                         rates(state);
                                     });
    }
}

// A model of the table with its geometry at a pose of the trajectory away
// from zero (a quarter period in).
KinModel* modelAtPose(Table table)
{
    ModelPtr model = loadModel(BlockKind::Jackpos, Setup{table, 1, 3}, true);
    const auto motion = benchtab::trajectory(table, kSteps, kPeriod);
    double lengths[MAX_ACTUATORS];
    kinActuatorGeometry(model.get(), motion[kSteps / 4].pose, lengths);
    KinModel* m = model.get();
    gModels.push_back(std::move(model));
    return m;
}

void registerJacobianAndPinv()
{
    for (Table table : kTables) {
        KinModel* m = modelAtPose(table);
        benchmark::RegisterBenchmark((std::string("kinJacobian/") + benchtab::tableName(table)).c_str(),
                                     [m](benchmark::State& state) {
                                         for (auto _ : state) {
                                             kinJacobian(m);
                                             benchmark::ClobberMemory();
                                         }
                                         rates(state);
                                     });
    }
    // The Jacobians of the hexapod (6 x 6: the plain inverse) and of the
    // 24-strut table (24 x 6: the least-squares form), unweighted, as the
    // forward kinematics inverts them.
    for (Table table : {Table::Hexapod, Table::Redundant24}) {
        KinModel* m = modelAtPose(table);
        kinJacobian(m);
        const unsigned rows = static_cast<unsigned>(m->numActuators);
        const unsigned cols = static_cast<unsigned>(m->numDofs);
        const std::string name = "kinPseudoInverse/" + std::to_string(rows) + "x" + std::to_string(cols);
        benchmark::RegisterBenchmark(name.c_str(), [m, rows, cols](benchmark::State& state) {
            for (auto _ : state) {
                kinPseudoInverse(&m->jacobian[0][0], rows, cols, &m->jacobianPinv[0][0], nullptr, &m->work1[0][0],
                                 &m->work2[0][0], &m->work3[0][0]);
                benchmark::ClobberMemory();
            }
            rates(state);
        });
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        registerSteps();
        registerPrepare();
        registerForward();
        registerJacobianAndPinv();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gStepCases.clear();
    return 0;
}
