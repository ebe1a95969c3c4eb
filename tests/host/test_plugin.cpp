// A small block for exercising the host: y = gain * u on a vector port whose
// width is a parameter, plus a 2 x 3 matrix output that accumulates
// 10*(i+1) + (j+1) into element (i, j) at every step, so a test can see that
// outputs start at zero, persist between steps and are column-major.
//
// Parameters: 0 trace address (1 x 2, or empty for none), 1 gain (scalar),
// 2 width (1 .. 8).
#define S_FUNCTION_NAME test_plugin

#include "blocks/common/sfunction.h"
#include "tests/host/plugin_trace.h"

#include <cmath>
#include <new>

namespace {

struct GainRecord {
  PluginTrace* trace;
  double gain;
};

constexpr int NUM_PARAMS = 3;

PluginTrace* traceOf(SimStruct* S) {
  const mxArray* p = ssGetSFcnParam(S, 0);
  return mxGetNumberOfElements(p) == 2 ? decodeTraceAddress(mxGetPr(p)) : nullptr;
}

}  // namespace

static void mdlCheckParameters(SimStruct* S) {
  traceEvent(traceOf(S), "check");
  if (mxGetNumberOfElements(ssGetSFcnParam(S, 1)) != 1) {
    ssSetErrorStatus(S, "(mdlCheckParameters) Gain must be a scalar.");
    return;
  }
  const double width = mxGetScalar(ssGetSFcnParam(S, 2));
  if (!(width >= 1.0 && width <= 8.0)) {
    ssSetErrorStatus(S, "(mdlCheckParameters) Width must be between 1 and 8.");
  }
}

static void mdlInitializeSizes(SimStruct* S) {
  PluginTrace* trace = traceOf(S);
  // Buffers belong to a later stage; a structure that has them here is not fresh.
  traceEvent(trace, ssGetOutputPortRealSignal(S, 0) == nullptr ? "sizes" : "sizes-with-buffers");

  auto* record = new (std::nothrow) GainRecord{trace, 0.0};
  if (record == nullptr) {
    ssSetErrorStatus(S, "(mdlStart) Could not allocate ivars.");
    return;
  }
  if (trace != nullptr) ++trace->liveRecords;
  ssSetUserData(S, record);

  ssSetNumSFcnParams(S, NUM_PARAMS);
  if (ssGetSFcnParamsCount(S) != NUM_PARAMS) return;
  mdlCheckParameters(S);
  if (ssGetErrorStatus(S) != nullptr) return;

  record->gain = mxGetScalar(ssGetSFcnParam(S, 1));
  const int width = static_cast<int>(mxGetScalar(ssGetSFcnParam(S, 2)));
  for (int i = 0; i < NUM_PARAMS; ++i) ssSetSFcnParamTunable(S, i, SS_PRM_NOT_TUNABLE);

  ssSetNumContStates(S, 0);
  ssSetNumDiscStates(S, 0);
  if (!ssSetNumInputPorts(S, 1)) return;
  ssSetInputPortWidth(S, 0, width);
  ssSetInputPortDirectFeedThrough(S, 0, 1);
  if (!ssSetNumOutputPorts(S, 2)) return;
  ssSetOutputPortWidth(S, 0, width);
  ssSetOutputPortMatrixDimensions(S, 1, 2, 3);

  ssSetNumSampleTimes(S, 1);
  ssSetNumRWork(S, 3);
  ssSetNumIWork(S, 4);
  ssSetNumPWork(S, 5);
  ssSetNumModes(S, 6);
  ssSetNumNonsampledZCs(S, 7);
  ssSetOptions(S, 0x00200002u);
}

static void mdlInitializeSampleTimes(SimStruct* S) {
  traceEvent(traceOf(S), "times");
  ssSetSampleTime(S, 0, INHERITED_SAMPLE_TIME);
  ssSetOffsetTime(S, 0, 0.0);
}

static void mdlOutputs(SimStruct* S, int_T tid) {
  UNUSED_ARG(tid);
  auto* record = static_cast<GainRecord*>(ssGetUserData(S));
  traceEvent(record->trace, "outputs");
  InputRealPtrsType u = ssGetInputPortRealSignalPtrs(S, 0);
  real_T* y = ssGetOutputPortRealSignal(S, 0);
  const int width = ssGetInputPortWidth(S, 0);
  for (int i = 0; i < width; ++i) {
    if (std::isnan(*u[i])) {
      ssSetErrorStatus(S, "(mdlOutputs) Input is not a number.");
      return;
    }
    y[i] = record->gain * *u[i];
  }
  real_T* m = ssGetOutputPortRealSignal(S, 1);
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 2; ++i) m[i + 2 * j] += 10.0 * (i + 1) + (j + 1);
  }
}

static void mdlTerminate(SimStruct* S) {
  auto* record = static_cast<GainRecord*>(ssGetUserData(S));
  PluginTrace* trace = traceOf(S);
  traceEvent(trace, "terminate");
  if (record != nullptr) {
    if (trace != nullptr) --trace->liveRecords;
    delete record;
    ssSetUserData(S, nullptr);
  }
}

#include "blocks/common/sfunction_entry.h"
