// The loader and the Simulink calling sequence, driven against the small
// plug-ins built next to these tests (test_plugin: y = gain * u plus an
// accumulating 2 x 3 matrix output; see test_plugin.cpp).
#include "host/loader.h"
#include "tests/host/plugin_trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using host::Array;
using host::Block;
using host::Plugin;

std::shared_ptr<const Plugin> gainPlugin() {
  static const auto plugin = std::make_shared<const Plugin>(TEST_PLUGIN_PATH);
  return plugin;
}

class GainBlock : public ::testing::Test {
 protected:
  PluginTrace trace{};

  Array traceParam() const {
    double address[2];
    encodeTraceAddress(&trace, address);
    return Array::rowVector({address[0], address[1]});
  }
  std::vector<Array> params(double gain, double width) const {
    return {traceParam(), Array::scalar(gain), Array::scalar(width)};
  }
  std::string events() const { return trace.events; }
};

std::string messageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(no exception)";
}

// ---- loading ------------------------------------------------------------

TEST(Plugin, LoadsAndKnowsTheBlockName) {
  const Plugin p(TEST_PLUGIN_PATH);
  EXPECT_EQ(p.name(), "test_plugin");
  EXPECT_EQ(p.path(), TEST_PLUGIN_PATH);
  EXPECT_NE(p.mexFunction(), nullptr);
}

TEST(Plugin, MissingFileErrorNamesTheFile) {
  const std::string path = "/nonexistent/dir/Missing.mexa64";
  const std::string msg = messageOf([&] { Plugin p(path); });
  EXPECT_NE(msg.find(path), std::string::npos) << msg;
}

TEST(Plugin, BareFileNameMeansTheCurrentDirectory) {
  const std::filesystem::path file(TEST_PLUGIN_PATH);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(file.parent_path());
  std::string name;
  EXPECT_NO_THROW(name = Plugin(file.filename()).name());
  // Not in the current directory: the system library path is not searched.
  const std::string systemLibrary = messageOf([] { Plugin p("libm.so.6"); });
  std::filesystem::current_path(before);
  EXPECT_EQ(name, "test_plugin");
  EXPECT_EQ(systemLibrary.rfind("cannot load plug-in libm.so.6: ", 0), 0u) << systemLibrary;
}

TEST(Plugin, LibraryWithoutMexFunctionIsRefused) {
  const std::string msg = messageOf([] { Plugin p(NO_MEX_PATH); });
  EXPECT_NE(msg.find(NO_MEX_PATH), std::string::npos) << msg;
  EXPECT_NE(msg.find("no mexFunction"), std::string::npos) << msg;
}

TEST(Plugin, MexFunctionThatRegistersNothingIsRefused) {
  const std::string msg = messageOf([] { Plugin p(PLAIN_MEX_PATH); });
  EXPECT_NE(msg.find(PLAIN_MEX_PATH), std::string::npos) << msg;
  EXPECT_NE(msg.find("registers no block"), std::string::npos) << msg;
}

TEST(Plugin, ExportsOnlyMexFunction) {
  const std::string cmd = std::string(NM_PROGRAM) + " -D --defined-only '" + TEST_PLUGIN_PATH + "'";
  FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) names.insert(name);
  }
  ASSERT_EQ(pclose(pipe), 0) << cmd;
  EXPECT_EQ(names, std::set<std::string>{"mexFunction"});
}

TEST(Plugin, OnlyTheRegistrationCallTouchesTheStructure) {
  const auto plugin = gainPlugin();
  host::SimulationStructure sim;
  SimStruct* S = sim.get();
  const mxArray* prhs[1] = {reinterpret_cast<const mxArray*>(S)};

  // An ordinary MEX call with the same argument, and a SimStruct of a foreign host.
  plugin->mexFunction()(1, nullptr, 1, prhs);
  plugin->mexFunction()(SFCN_REGISTER_NLHS, nullptr, 0, nullptr);
  EXPECT_EQ(S->registeredVersion, 0u);
  EXPECT_EQ(S->methods.mdlInitializeSizes, nullptr);
  S->magic = 0;
  EXPECT_FALSE(plugin->registerInto(*S));
  S->magic = SFCN_SIMSTRUCT_MAGIC;
  S->version = SFCN_INTERFACE_VERSION + 1;
  EXPECT_FALSE(plugin->registerInto(*S));
  EXPECT_EQ(S->sfcnName[0], '\0');

  S->version = SFCN_INTERFACE_VERSION;
  EXPECT_TRUE(plugin->registerInto(*S));
  EXPECT_STREQ(S->sfcnName, "test_plugin");
  EXPECT_NE(S->methods.mdlOutputs, nullptr);

  // A real MEX caller's arrays survive a call too.
  const Array arg = Array::rowVector({1, 2});
  const mxArray* args[1] = {arg.mx()};
  plugin->mexFunction()(0, nullptr, 1, args);
  EXPECT_EQ(arg, Array::rowVector({1, 2}));
}

// ---- calling sequence ---------------------------------------------------

TEST_F(GainBlock, CallbacksRunInSimulinkOrderAndTerminateOnce) {
  {
    Block block(gainPlugin(), params(2.0, 3));
    ASSERT_TRUE(block.initialize()) << block.errorStatus();
    EXPECT_EQ(events(), "sizes check times ");
    EXPECT_TRUE(block.outputs());
    EXPECT_TRUE(block.outputs());
    block.terminate();
    block.terminate();
    EXPECT_EQ(events(), "sizes check times outputs outputs terminate ");
    EXPECT_FALSE(block.initialized());
    EXPECT_THROW(block.outputs(), std::logic_error);
  }
  EXPECT_EQ(events(), "sizes check times outputs outputs terminate ");
  EXPECT_EQ(trace.liveRecords, 0);
}

TEST_F(GainBlock, DestructorTerminates) {
  {
    Block block(gainPlugin(), params(2.0, 3));
    ASSERT_TRUE(block.initialize());
    EXPECT_EQ(trace.liveRecords, 1);
  }
  EXPECT_EQ(events(), "sizes check times terminate ");
  EXPECT_EQ(trace.liveRecords, 0);
}

TEST_F(GainBlock, NothingRunsBeforeInitialize) {
  {
    Block block(gainPlugin(), params(2.0, 3));
    EXPECT_THROW(block.outputs(), std::logic_error);
    EXPECT_THROW(block.input(0), std::out_of_range);
    EXPECT_TRUE(block.setParameters(params(3.0, 3)));  // stored for initialize only
  }
  EXPECT_EQ(events(), "");
}

TEST_F(GainBlock, SecondInitializeTerminatesTheFirstRun) {
  Block block(gainPlugin(), params(2.0, 3));
  ASSERT_TRUE(block.initialize());
  ASSERT_TRUE(block.setParameters(params(5.0, 2)));
  ASSERT_TRUE(block.initialize());
  EXPECT_EQ(events(), "sizes check times check terminate sizes check times ");
  EXPECT_EQ(trace.liveRecords, 1);
  EXPECT_EQ(block.inputWidth(0), 2);
  block.input(0)[1] = 3.0;
  ASSERT_TRUE(block.outputs());
  EXPECT_EQ(block.output(0)[1], 15.0);
  block.terminate();
  EXPECT_EQ(trace.liveRecords, 0);
}

// ---- errors -------------------------------------------------------------

struct CountCase {
  int given;
  const char* message;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.given << " given"; }

class ParameterCount : public GainBlock, public ::testing::WithParamInterface<CountCase> {};

TEST_P(ParameterCount, MismatchIsReportedByTheHost) {
  std::vector<Array> p = params(2.0, 3);
  p.resize(static_cast<std::size_t>(GetParam().given), Array::scalar(1.0));
  {
    Block block(gainPlugin(), p);
    EXPECT_FALSE(block.initialize());
    ASSERT_NE(block.errorStatus(), nullptr);
    EXPECT_STREQ(block.errorStatus(), GetParam().message);
    EXPECT_EQ(block.expectedParameterCount(), 3);
    EXPECT_EQ(block.numInputPorts(), 0);
    EXPECT_THROW(block.input(0), std::out_of_range);
    EXPECT_THROW(block.outputs(), std::logic_error);
  }
  if (GetParam().given > 0) {
    // The record made before the count was known is still released.
    EXPECT_EQ(events(), "sizes terminate ");
    EXPECT_EQ(trace.liveRecords, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, ParameterCount,
                         ::testing::Values(CountCase{0, "test_plugin: 0 parameters given, 3 expected."},
                                           CountCase{1, "test_plugin: 1 parameter given, 3 expected."},
                                           CountCase{2, "test_plugin: 2 parameters given, 3 expected."},
                                           CountCase{4, "test_plugin: 4 parameters given, 3 expected."}),
                         [](const auto& info) { return "given" + std::to_string(info.param.given); });

TEST_F(GainBlock, TooManyParametersForTheStructureAreRefused) {
  std::vector<Array> p = params(2.0, 3);
  p.resize(SFCN_MAX_PARAMS + 1);
  Block block(gainPlugin(), p);
  EXPECT_FALSE(block.initialize());
  EXPECT_STREQ(block.errorStatus(), "test_plugin: 33 parameters given, at most 32 supported.");
  EXPECT_EQ(events(), "");
}

struct BlockErrorCase {
  std::string label;
  std::vector<Array> gainAndWidth;
  const char* message;
};

void PrintTo(const BlockErrorCase& c, std::ostream* os) { *os << c.label; }

class BlockError : public GainBlock, public ::testing::WithParamInterface<BlockErrorCase> {};

TEST_P(BlockError, BlockMessageSurfacesUnchanged) {
  std::vector<Array> p{traceParam()};
  for (const Array& a : GetParam().gainAndWidth) p.push_back(a);
  {
    Block block(gainPlugin(), p);
    EXPECT_FALSE(block.initialize());
    EXPECT_STREQ(block.errorStatus(), GetParam().message);
    EXPECT_EQ(block.numOutputPorts(), 0);
  }
  EXPECT_EQ(events(), "sizes check terminate ");
  EXPECT_EQ(trace.liveRecords, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, BlockError,
    ::testing::Values(
        BlockErrorCase{"gainVector", {Array::columnVector({1, 2}), Array::scalar(3)}, "(mdlCheckParameters) Gain must be a scalar."},
        BlockErrorCase{"gainEmpty", {Array(), Array::scalar(3)}, "(mdlCheckParameters) Gain must be a scalar."},
        BlockErrorCase{"widthZero", {Array::scalar(1), Array::scalar(0)}, "(mdlCheckParameters) Width must be between 1 and 8."},
        BlockErrorCase{"widthEmpty", {Array::scalar(1), Array()}, "(mdlCheckParameters) Width must be between 1 and 8."}),
    [](const auto& info) { return info.param.label; });

TEST_F(GainBlock, SetParametersRunsTheBlockCheck) {
  Block block(gainPlugin(), params(2.0, 3));
  ASSERT_TRUE(block.initialize());
  EXPECT_FALSE(block.setParameters(params(2.0, 9)));
  EXPECT_STREQ(block.errorStatus(), "(mdlCheckParameters) Width must be between 1 and 8.");
  EXPECT_TRUE(block.setParameters(params(4.0, 3)));
  EXPECT_EQ(block.errorStatus(), nullptr);
  std::vector<Array> two = params(4.0, 3);
  two.pop_back();
  EXPECT_FALSE(block.setParameters(two));
  EXPECT_STREQ(block.errorStatus(), "test_plugin: 2 parameters given, 3 expected.");
  // The count check comes first: the block's check did not see the short set.
  EXPECT_EQ(events(), "sizes check times check check ");
}

TEST_F(GainBlock, OutputStepErrorSurfaces) {
  Block block(gainPlugin(), params(2.0, 2));
  ASSERT_TRUE(block.initialize());
  block.input(0)[1] = std::nan("");
  EXPECT_FALSE(block.outputs());
  EXPECT_STREQ(block.errorStatus(), "(mdlOutputs) Input is not a number.");
}

// ---- declarations and signals -------------------------------------------

TEST_F(GainBlock, DeclarationsReadBack) {
  Block block(gainPlugin(), params(2.0, 3));
  ASSERT_TRUE(block.initialize());
  EXPECT_EQ(block.name(), "test_plugin");
  EXPECT_EQ(block.parameterCount(), 3);
  EXPECT_EQ(block.expectedParameterCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(block.parameterTunable(i)) << i;
  EXPECT_TRUE(block.parameterTunable(3));  // never declared, host default

  ASSERT_EQ(block.numInputPorts(), 1);
  EXPECT_EQ(block.inputWidth(0), 3);
  EXPECT_TRUE(block.inputDirectFeedthrough(0));
  ASSERT_EQ(block.numOutputPorts(), 2);
  EXPECT_EQ(block.outputWidth(0), 3);
  EXPECT_EQ(block.outputRows(0), 3);
  EXPECT_EQ(block.outputCols(0), 1);
  EXPECT_EQ(block.outputWidth(1), 6);
  EXPECT_EQ(block.outputRows(1), 2);
  EXPECT_EQ(block.outputCols(1), 3);
  EXPECT_EQ(block.input(0).size(), 3u);
  EXPECT_EQ(block.output(1).size(), 6u);

  EXPECT_EQ(block.numSampleTimes(), 1);
  EXPECT_EQ(block.sampleTime(0), -1.0);
  EXPECT_EQ(block.offsetTime(0), 0.0);
  EXPECT_EQ(block.options(), 0x00200002u);
  const SimStruct& S = block.simStruct();
  EXPECT_EQ(S.numContStates, 0);
  EXPECT_EQ(S.numDiscStates, 0);
  EXPECT_EQ(S.numRWork, 3);
  EXPECT_EQ(S.numIWork, 4);
  EXPECT_EQ(S.numPWork, 5);
  EXPECT_EQ(S.numModes, 6);
  EXPECT_EQ(S.numNonsampledZCs, 7);
}

TEST_F(GainBlock, InputSignalPointersAreTheHostValues) {
  Block block(gainPlugin(), params(-2.0, 4));
  ASSERT_TRUE(block.initialize());
  auto u = block.input(0);
  InputRealPtrsType ptrs = block.simStruct().inputPorts[0].signalPtrs;
  for (std::size_t i = 0; i < u.size(); ++i) EXPECT_EQ(ptrs[i], &u[i]);

  const std::vector<double> values{1.0, -0.5, 3.25, 8.0};
  std::copy(values.begin(), values.end(), u.begin());
  ASSERT_TRUE(block.outputs());
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(block.output(0)[i], -2.0 * values[i]);

  u[2] = 10.0;
  ASSERT_TRUE(block.outputs());
  EXPECT_EQ(block.output(0)[2], -20.0);
}

TEST_F(GainBlock, OutputsStartAtZeroAndPersistColumnMajor) {
  Block block(gainPlugin(), params(1.0, 2));
  ASSERT_TRUE(block.initialize());
  for (double v : block.output(0)) EXPECT_EQ(v, 0.0);
  for (double v : block.output(1)) EXPECT_EQ(v, 0.0);

  const int steps = 3;
  for (int k = 0; k < steps; ++k) ASSERT_TRUE(block.outputs());
  // Each step adds 10*(i+1) + (j+1) to element (i, j) of the 2 x 3 output.
  const auto m = block.output(1);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(m[static_cast<std::size_t>(i + 2 * j)], steps * (10.0 * (i + 1) + (j + 1))) << i << "," << j;
}

TEST_F(GainBlock, InstancesAreIndependentAndSurviveMoves) {
  PluginTrace other{};
  double address[2];
  encodeTraceAddress(&other, address);
  std::vector<Block> blocks;
  blocks.emplace_back(gainPlugin(), params(2.0, 1));
  blocks.emplace_back(gainPlugin(),
                      std::vector<Array>{Array::rowVector({address[0], address[1]}), Array::scalar(3.0), Array::scalar(1)});
  for (Block& b : blocks) ASSERT_TRUE(b.initialize());
  blocks.reserve(16);  // moves both blocks
  for (Block& b : blocks) b.input(0)[0] = 5.0;
  for (Block& b : blocks) ASSERT_TRUE(b.outputs());
  EXPECT_EQ(blocks[0].output(0)[0], 10.0);
  EXPECT_EQ(blocks[1].output(0)[0], 15.0);
  blocks.clear();
  EXPECT_EQ(events(), "sizes check times outputs terminate ");
  EXPECT_STREQ(other.events, "sizes check times outputs terminate ");
  EXPECT_EQ(trace.liveRecords, 0);
  EXPECT_EQ(other.liveRecords, 0);
}

TEST_F(GainBlock, RepeatedRunsReleaseEverything) {
  // Under the sanitizer build a missing mdlTerminate or a leaked buffer shows here.
  for (int run = 0; run < 200; ++run) {
    trace.events[0] = '\0';
    Block block(gainPlugin(), run % 3 == 0 ? params(1.0, 0) : params(1.0, 1 + run % 8));
    const bool ok = block.initialize();
    EXPECT_EQ(ok, run % 3 != 0);
    if (ok) {
      ASSERT_TRUE(block.outputs());
      ASSERT_TRUE(block.initialize());
    }
  }
  EXPECT_EQ(trace.liveRecords, 0);
}

}  // namespace
