// The interface header's own mechanics on a bare SimStruct: what a block's
// declarations leave in the structure, and that faulty indices stay inside it.
#include "blocks/common/sfunction.h"
#include "host/array.h"
#include "host/simulation.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SFunctionHeader, PortCountsAcceptedOnlyWithinCapacity) {
  host::SimulationStructure sim;
  SimStruct* S = sim.get();
  EXPECT_EQ(ssSetNumInputPorts(S, SFCN_MAX_PORTS), 1);
  EXPECT_EQ(ssSetNumInputPorts(S, 2), 1);
  EXPECT_EQ(ssSetNumInputPorts(S, SFCN_MAX_PORTS + 1), 0);
  EXPECT_EQ(ssSetNumInputPorts(S, -1), 0);
  EXPECT_EQ(ssGetNumInputPorts(S), 2);
  EXPECT_EQ(ssSetNumOutputPorts(S, 0), 1);
  EXPECT_EQ(ssSetNumOutputPorts(S, SFCN_MAX_PORTS + 1), 0);
  EXPECT_EQ(ssGetNumOutputPorts(S), 0);
}

TEST(SFunctionHeader, UndeclaredPortsAreNotWritten) {
  host::SimulationStructure sim;
  SimStruct* S = sim.get();
  ASSERT_EQ(ssSetNumInputPorts(S, 2), 1);
  ASSERT_EQ(ssSetNumOutputPorts(S, 1), 1);
  ssSetInputPortWidth(S, 2, 5);
  ssSetInputPortWidth(S, -1, 5);
  ssSetInputPortDirectFeedThrough(S, 3, 1);
  ssSetOutputPortWidth(S, 1, 4);
  ssSetOutputPortMatrixDimensions(S, SFCN_MAX_PORTS, 2, 2);
  EXPECT_EQ(S->inputPorts[2].width, 0);
  EXPECT_EQ(S->inputPorts[3].directFeedThrough, 0);
  EXPECT_EQ(S->outputPorts[1].width, 0);
  EXPECT_EQ(ssGetInputPortWidth(S, 2), 0);
  EXPECT_EQ(ssGetOutputPortRealSignal(S, 1), nullptr);
  EXPECT_EQ(ssGetInputPortRealSignalPtrs(S, -1), nullptr);
  // Indices past the fixed tables are ignored as well.
  ssSetSampleTime(S, SFCN_MAX_SAMPLE_TIMES, 1.0);
  ssSetSFcnParamTunable(S, SFCN_MAX_PARAMS, SS_PRM_NOT_TUNABLE);
  EXPECT_EQ(ssGetSampleTime(S, SFCN_MAX_SAMPLE_TIMES), 0.0);
}

TEST(SFunctionHeader, MatrixOutputWidthIsRowsTimesCols) {
  host::SimulationStructure sim;
  SimStruct* S = sim.get();
  ASSERT_EQ(ssSetNumOutputPorts(S, 2), 1);
  ssSetOutputPortMatrixDimensions(S, 0, 4, 3);
  EXPECT_EQ(ssGetOutputPortWidth(S, 0), 12);
  EXPECT_EQ(S->outputPorts[0].rows, 4);
  EXPECT_EQ(S->outputPorts[0].cols, 3);
  // Declaring a plain width afterwards makes it a column again.
  ssSetOutputPortWidth(S, 0, 5);
  EXPECT_EQ(S->outputPorts[0].rows, 5);
  EXPECT_EQ(S->outputPorts[0].cols, 1);
}

TEST(SFunctionHeader, ParametersOutsideTheGivenCountAreNull) {
  host::SimulationStructure sim;
  const std::vector<host::Array> params{host::Array::scalar(1.0), host::Array::scalar(2.0)};
  sim.bindParameters(params);
  SimStruct* S = sim.get();
  EXPECT_EQ(ssGetSFcnParamsCount(S), 2);
  EXPECT_EQ(ssGetSFcnParam(S, 1), params[1].mx());
  EXPECT_EQ(ssGetSFcnParam(S, 2), nullptr);
  EXPECT_EQ(ssGetSFcnParam(S, -1), nullptr);
  EXPECT_THROW(sim.bindParameters(std::vector<host::Array>(SFCN_MAX_PARAMS + 1)), std::length_error);
}

TEST(SimulationStructure, InputPointersPointIntoHostBuffers) {
  host::SimulationStructure sim;
  SimStruct* S = sim.get();
  ASSERT_EQ(ssSetNumInputPorts(S, 2), 1);
  ssSetInputPortWidth(S, 0, 3);
  ssSetInputPortWidth(S, 1, 0);
  ASSERT_EQ(ssSetNumOutputPorts(S, 1), 1);
  ssSetOutputPortMatrixDimensions(S, 0, 2, 2);
  sim.allocatePorts();

  auto in = sim.input(0);
  ASSERT_EQ(in.size(), 3u);
  in[0] = 1.5;
  in[2] = -4.0;
  InputRealPtrsType u = ssGetInputPortRealSignalPtrs(S, 0);
  for (std::size_t i = 0; i < in.size(); ++i) EXPECT_EQ(u[i], &in[i]);
  EXPECT_EQ(*u[2], -4.0);
  EXPECT_EQ(*u[1], 0.0);
  EXPECT_TRUE(sim.input(1).empty());
  EXPECT_EQ(sim.output(0).size(), 4u);
  EXPECT_EQ(ssGetOutputPortRealSignal(S, 0), sim.output(0).data());
  EXPECT_THROW(sim.input(2), std::out_of_range);
  EXPECT_THROW(sim.output(1), std::out_of_range);
}

TEST(SimulationStructure, NegativeWidthIsRefused) {
  host::SimulationStructure sim;
  SimStruct* S = sim.get();
  ASSERT_EQ(ssSetNumInputPorts(S, 1), 1);
  ssSetInputPortWidth(S, 0, -1);
  EXPECT_THROW(sim.allocatePorts(), std::invalid_argument);
}

}  // namespace
