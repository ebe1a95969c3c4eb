// The real plug-ins through the host: loading, the host's count check, the
// declarations a small table produces, and a Posjack -> Jackpos round trip.
//
// The table: three struts meeting at one head pivot at the table origin,
// based at B0 = (-1, -0.5, 0), B1 = (0.3, -1, 0), B2 = (0, 0.2, -1); DOFs
// x, y, z; no sensors; unit factors 1. For a pure translation p, strut i has
// length |p - Bi|, so its displacement is |p - Bi| - |Bi| and its Jacobian row
// is (p - Bi) / |p - Bi|.
#include "host/loader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using host::Array;
using host::Block;
using host::Plugin;

constexpr std::array<std::array<double, 3>, 3> BASE{{{-1.0, -0.5, 0.0}, {0.3, -1.0, 0.0}, {0.0, 0.2, -1.0}}};

double strutLength(const std::array<double, 3>& p, int i) {
  const auto& b = BASE[static_cast<std::size_t>(i)];
  return std::sqrt((p[0] - b[0]) * (p[0] - b[0]) + (p[1] - b[1]) * (p[1] - b[1]) + (p[2] - b[2]) * (p[2] - b[2]));
}

// The parameters both blocks share (0..9) for the table above.
std::vector<Array> commonParameters() {
  std::vector<double> base;
  for (const auto& b : BASE) base.insert(base.end(), b.begin(), b.end());  // 3 x n, one pivot per column
  return {
      Array::rowVector({1, 1, 1}),           // actuatorTypes: struts
      Array::scalar(0),                      // numVelocitySensors
      Array::scalar(0),                      // numForceSensors
      Array::rowVector({1, 2, 3}),           // degreesOfFreedom: x, y, z
      Array::zeros({3, 3}),                  // headPivotLocations
      Array::matrix(3, 3, base),             // basePivotLocations
      Array(),                               // linkPivotLocations
      Array(),                               // accelLocations
      Array(),                               // accelOrientations
      Array::zeros({1, 6}),                  // coordinateSystem
  };
}

const Array UNITS = Array::matrix(4, 2, {1, 1, 1, 1, 1, 1, 1, 1});

std::vector<Array> jackposParameters() {
  std::vector<Array> p = commonParameters();
  p.push_back(Array::rowVector({1, 1, 1}));  // maxActuatorDispl
  p.push_back(Array::rowVector({1, 1, 1}));  // maxActuatorForce
  p.push_back(UNITS);
  p.push_back(Array());          // verticalAccelOffset
  p.push_back(Array::scalar(1)); // jacobianUpdateMode
  p.push_back(Array::scalar(1)); // rateType
  p.push_back(Array::scalar(20)); // forwardIterations
  return p;
}

std::vector<Array> posjackParameters() {
  std::vector<Array> p = commonParameters();
  p.push_back(Array::rowVector({1, 1, 1}));  // maxActuatorForce
  p.push_back(UNITS);
  p.push_back(Array());
  p.push_back(Array::scalar(1));
  p.push_back(Array::scalar(1));
  return p;
}

std::shared_ptr<const Plugin> jackpos() {
  static const auto p = std::make_shared<const Plugin>(JACKPOS_PATH);
  return p;
}
std::shared_ptr<const Plugin> posjack() {
  static const auto p = std::make_shared<const Plugin>(POSJACK_PATH);
  return p;
}

TEST(RealBlocks, PluginNamesAreTheirFileNames) {
  EXPECT_EQ(jackpos()->name(), "Jackpos");
  EXPECT_EQ(posjack()->name(), "Posjack");
}

TEST(RealBlocks, WrongParameterCountIsReportedByTheHost) {
  std::vector<Array> three(3, Array::scalar(1));
  Block j(jackpos(), three);
  EXPECT_FALSE(j.initialize());
  EXPECT_STREQ(j.errorStatus(), "Jackpos: 3 parameters given, 17 expected.");
  Block p(posjack(), jackposParameters());
  EXPECT_FALSE(p.initialize());
  EXPECT_STREQ(p.errorStatus(), "Posjack: 17 parameters given, 15 expected.");
}

TEST(RealBlocks, ValidationMessageSurfaces) {
  std::vector<Array> params = jackposParameters();
  params[3] = Array();
  Block j(jackpos(), params);
  EXPECT_FALSE(j.initialize());
  EXPECT_STREQ(j.errorStatus(), "(mdlCheckParameters) Degrees-of-freedom array is empty.");
  EXPECT_EQ(j.numInputPorts(), 0);
}

TEST(RealBlocks, DeclarationsOfTheSmallTable) {
  Block j(jackpos(), jackposParameters());
  ASSERT_TRUE(j.initialize()) << j.errorStatus();
  // n = d = 3, no rotational DOF, no sensors: inputs n, 1, 1, n.
  ASSERT_EQ(j.numInputPorts(), 4);
  const std::array<int, 4> jIn{3, 1, 1, 3};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(j.inputWidth(k), jIn[static_cast<std::size_t>(k)]) << k;
    EXPECT_TRUE(j.inputDirectFeedthrough(k)) << k;
  }
  ASSERT_EQ(j.numOutputPorts(), 6);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(j.outputWidth(k), 3) << k;
  EXPECT_EQ(j.outputRows(5), 3);
  EXPECT_EQ(j.outputCols(5), 3);

  Block p(posjack(), posjackParameters());
  ASSERT_TRUE(p.initialize()) << p.errorStatus();
  ASSERT_EQ(p.numInputPorts(), 4);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(p.inputWidth(k), 3) << k;
  ASSERT_EQ(p.numOutputPorts(), 4);
  const std::array<int, 4> pOut{3, 3, 1, 3};  // no accelerometers: output 2 has width 1
  for (int k = 0; k < 4; ++k) EXPECT_EQ(p.outputWidth(k), pOut[static_cast<std::size_t>(k)]) << k;

  for (const Block* b : {&j, &p}) {
    EXPECT_EQ(b->numSampleTimes(), 1);
    EXPECT_EQ(b->sampleTime(0), INHERITED_SAMPLE_TIME);
    EXPECT_EQ(b->offsetTime(0), 0.0);
    EXPECT_EQ(b->options(), 0x00200002u);
    for (int i = 0; i < b->parameterCount(); ++i) EXPECT_FALSE(b->parameterTunable(i)) << b->name() << " " << i;
  }
}

TEST(RealBlocks, PosjackThenJackposRecoversThePose) {
  Block p(posjack(), posjackParameters());
  Block j(jackpos(), jackposParameters());
  ASSERT_TRUE(p.initialize()) << p.errorStatus();
  ASSERT_TRUE(j.initialize()) << j.errorStatus();

  // At rest Jackpos reports the zero pose and the Jacobian there, column-major:
  // element i + 3k is d(length i)/d(DOF k) = -Bi[k] / |Bi|.
  ASSERT_TRUE(j.outputs());
  const std::array<double, 3> zero{0, 0, 0};
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(j.output(5)[static_cast<std::size_t>(i + 3 * k)],
                  -BASE[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] / strutLength(zero, i), 1e-12)
          << i << "," << k;

  const std::array<double, 3> pose{0.05, -0.03, 0.02};
  std::copy(pose.begin(), pose.end(), p.input(0).begin());
  ASSERT_TRUE(p.outputs());
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(p.output(0)[static_cast<std::size_t>(i)], strutLength(pose, i) - strutLength(zero, i), 1e-12) << i;

  auto displacements = p.output(0);
  std::copy(displacements.begin(), displacements.end(), j.input(0).begin());
  ASSERT_TRUE(j.outputs());
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(j.output(0)[static_cast<std::size_t>(k)], pose[static_cast<std::size_t>(k)], 1e-9) << k;
}

TEST(RealBlocks, RepeatedRunsReleaseEverything) {
  // Failed and successful runs alike: the sanitizer build reports any record left behind.
  for (int run = 0; run < 50; ++run) {
    Block j(jackpos(), run % 2 == 0 ? jackposParameters() : std::vector<Array>(2));
    Block p(posjack(), posjackParameters());
    EXPECT_EQ(j.initialize(), run % 2 == 0);
    ASSERT_TRUE(p.initialize());
    ASSERT_TRUE(p.outputs());
  }
}

}  // namespace
