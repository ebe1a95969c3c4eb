// The host interface of a block plug-in: the only header a block source needs
// besides blocks/common/* and the kinematics core.
//
// A plug-in and its host meet in two plain structures:
//
//   mxArray    a real double array: dimensions (at least two) and the data in
//              column-major order (element (i, j) of an M x N matrix is at
//              i + j*M; further dimensions continue the same way).
//   SimStruct  everything the host keeps for one block instance: parameters,
//              user data, error status, port declarations and buffers, sample
//              times, option flags, the declaration-only counts, and the
//              callback table plus S-function name the plug-in registers.
//
// Every operation a block calls is a small inline function (or macro) on
// these structures, under the name the block author knows from the platform.
// Nothing here refers to a symbol of the host, so a plug-in exports
// mexFunction and imports nothing from whoever loads it: the simulation host,
// tests and fuzzers can all dlopen the same .mexa64.
//
// Who writes what:
//   host     magic, version, sfcnParamsCount, sfcnParams[], inputPorts[].signalPtrs,
//            outputPorts[].signal (after mdlInitializeSizes, before
//            mdlInitializeSampleTimes); it may also set errorStatus itself.
//   plug-in  sfcnName and methods (registration, see sfunction_entry.h), and
//            through the ss* setters below every declaration.
//
// Out-of-range indices are ignored by the setters and answered with 0 or a
// null pointer by the getters, so a faulty block cannot write outside the
// structure. The array queries accept a null array and treat it as empty.
//
// The header compiles as C and as C++.
#ifndef BLOCKS_COMMON_SFUNCTION_H
#define BLOCKS_COMMON_SFUNCTION_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

typedef double real_T;
typedef double time_T;
typedef int int_T;
typedef unsigned int uint_T;
typedef char char_T;
typedef bool boolean_T;
typedef size_t mwSize;

// One pointer per input element, each pointing at the host's value.
typedef const real_T* const* InputRealPtrsType;

#define INHERITED_SAMPLE_TIME (-1.0)

// Settings of ssSetSFcnParamTunable.
#define SS_PRM_NOT_TUNABLE 0
#define SS_PRM_TUNABLE 1

#ifndef UNUSED_ARG
#define UNUSED_ARG(arg) ((void)(arg))
#endif

// Capacities of one instance. The table blocks need 17 parameters, 4 inputs,
// 6 outputs and one sample time.
#define SFCN_MAX_PARAMS 32
#define SFCN_MAX_PORTS 8
#define SFCN_MAX_SAMPLE_TIMES 4
#define SFCN_NAME_CAPACITY 64

// Registration: the host calls
//   mexFunction(SFCN_REGISTER_NLHS, NULL, 1, prhs)   with prhs[0] = (const mxArray*)S
// on a SimStruct whose magic and version it has set. No MEX caller passes a
// negative output count, so an ordinary MEX call never reaches a block.
#define SFCN_REGISTER_NLHS (-0x5346)
#define SFCN_SIMSTRUCT_MAGIC 0x53696D53u  // "SimS"
#define SFCN_INTERFACE_VERSION 1u

typedef struct mxArray {
  mwSize numberOfDimensions;  // at least 2
  const mwSize* dimensions;   // numberOfDimensions entries
  real_T* realData;           // product of the dimensions values; may be NULL when empty
} mxArray;

typedef struct SimStruct SimStruct;

// The callbacks a block hands over at registration; any of them may be NULL
// except mdlInitializeSizes.
typedef struct SFcnMethods {
  void (*mdlInitializeSizes)(SimStruct* S);
  void (*mdlInitializeSampleTimes)(SimStruct* S);
  void (*mdlCheckParameters)(SimStruct* S);
  void (*mdlOutputs)(SimStruct* S, int_T tid);
  void (*mdlTerminate)(SimStruct* S);
} SFcnMethods;

typedef struct SFcnInputPort {
  int_T width;
  int_T directFeedThrough;
  InputRealPtrsType signalPtrs;  // width entries, host-owned
} SFcnInputPort;

typedef struct SFcnOutputPort {
  int_T width;  // rows * cols
  int_T rows;
  int_T cols;   // 1 unless declared as a matrix
  real_T* signal;  // width contiguous values, column-major, host-owned
} SFcnOutputPort;

struct SimStruct {
  // Set by the host before registration; checked by the plug-in's entry.
  uint32_t magic;
  uint32_t version;

  // Filled by registration.
  uint32_t registeredVersion;  // SFCN_INTERFACE_VERSION of the plug-in, 0 before
  char_T sfcnName[SFCN_NAME_CAPACITY];
  SFcnMethods methods;

  // Parameters: the count the block expects (-1: any) and what the host gives.
  int_T numSFcnParams;
  int_T sfcnParamsCount;
  const mxArray* sfcnParams[SFCN_MAX_PARAMS];
  int_T sfcnParamTunable[SFCN_MAX_PARAMS];

  void* userData;
  const char_T* errorStatus;  // NULL while there is no error

  int_T numInputPorts;
  int_T numOutputPorts;
  SFcnInputPort inputPorts[SFCN_MAX_PORTS];
  SFcnOutputPort outputPorts[SFCN_MAX_PORTS];

  int_T numSampleTimes;
  time_T sampleTimes[SFCN_MAX_SAMPLE_TIMES];
  time_T offsetTimes[SFCN_MAX_SAMPLE_TIMES];
  uint_T options;

  // Declarations only: this host keeps no states or work vectors for a block.
  int_T numContStates;
  int_T numDiscStates;
  int_T numRWork;
  int_T numIWork;
  int_T numPWork;
  int_T numModes;
  int_T numNonsampledZCs;
};

// ---- error status and user data ----------------------------------------

// The message must outlive the instance (blocks pass string literals).
static inline void ssSetErrorStatus(SimStruct* S, const char_T* msg) { S->errorStatus = msg; }
static inline const char_T* ssGetErrorStatus(const SimStruct* S) { return S->errorStatus; }

static inline void ssSetUserData(SimStruct* S, void* data) { S->userData = data; }
static inline void* ssGetUserData(const SimStruct* S) { return S->userData; }

static inline const char_T* ssGetPath(const SimStruct* S) { return S->sfcnName; }

// ---- parameters --------------------------------------------------------

static inline void ssSetNumSFcnParams(SimStruct* S, int_T n) { S->numSFcnParams = n; }
static inline int_T ssGetNumSFcnParams(const SimStruct* S) { return S->numSFcnParams; }
static inline int_T ssGetSFcnParamsCount(const SimStruct* S) { return S->sfcnParamsCount; }

// Parameter i (0-based) of those given, or NULL outside 0 .. count-1.
static inline const mxArray* ssGetSFcnParam(const SimStruct* S, int_T i) {
  if (i < 0 || i >= S->sfcnParamsCount || i >= SFCN_MAX_PARAMS) return NULL;
  return S->sfcnParams[i];
}

static inline void ssSetSFcnParamTunable(SimStruct* S, int_T i, int_T tunable) {
  if (i >= 0 && i < SFCN_MAX_PARAMS) S->sfcnParamTunable[i] = tunable;
}

// ---- declarations only -------------------------------------------------

static inline void ssSetNumContStates(SimStruct* S, int_T n) { S->numContStates = n; }
static inline void ssSetNumDiscStates(SimStruct* S, int_T n) { S->numDiscStates = n; }
static inline void ssSetNumRWork(SimStruct* S, int_T n) { S->numRWork = n; }
static inline void ssSetNumIWork(SimStruct* S, int_T n) { S->numIWork = n; }
static inline void ssSetNumPWork(SimStruct* S, int_T n) { S->numPWork = n; }
static inline void ssSetNumModes(SimStruct* S, int_T n) { S->numModes = n; }
static inline void ssSetNumNonsampledZCs(SimStruct* S, int_T n) { S->numNonsampledZCs = n; }
static inline void ssSetOptions(SimStruct* S, uint_T options) { S->options = options; }
static inline uint_T ssGetOptions(const SimStruct* S) { return S->options; }

// ---- ports -------------------------------------------------------------

// Declaring a port count (re)sets those ports to width 0, no feedthrough.
// Returns 1 when accepted, 0 when the count is outside 0 .. SFCN_MAX_PORTS
// (the block then returns from mdlInitializeSizes).
static inline int_T ssSetNumInputPorts(SimStruct* S, int_T n) {
  int_T k;
  if (n < 0 || n > SFCN_MAX_PORTS) return 0;
  S->numInputPorts = n;
  for (k = 0; k < SFCN_MAX_PORTS; ++k) {
    S->inputPorts[k].width = 0;
    S->inputPorts[k].directFeedThrough = 0;
  }
  return 1;
}

static inline int_T ssSetNumOutputPorts(SimStruct* S, int_T n) {
  int_T k;
  if (n < 0 || n > SFCN_MAX_PORTS) return 0;
  S->numOutputPorts = n;
  for (k = 0; k < SFCN_MAX_PORTS; ++k) {
    S->outputPorts[k].width = 0;
    S->outputPorts[k].rows = 0;
    S->outputPorts[k].cols = 1;
  }
  return 1;
}

static inline int_T ssGetNumInputPorts(const SimStruct* S) { return S->numInputPorts; }
static inline int_T ssGetNumOutputPorts(const SimStruct* S) { return S->numOutputPorts; }

// A port index is used only when declared and inside the fixed tables.
static inline bool sfcnInputPortOk(const SimStruct* S, int_T port) {
  return port >= 0 && port < S->numInputPorts && port < SFCN_MAX_PORTS;
}
static inline bool sfcnOutputPortOk(const SimStruct* S, int_T port) {
  return port >= 0 && port < S->numOutputPorts && port < SFCN_MAX_PORTS;
}

static inline void ssSetInputPortWidth(SimStruct* S, int_T port, int_T width) {
  if (sfcnInputPortOk(S, port)) S->inputPorts[port].width = width;
}

static inline void ssSetInputPortDirectFeedThrough(SimStruct* S, int_T port, int_T flag) {
  if (sfcnInputPortOk(S, port)) S->inputPorts[port].directFeedThrough = flag;
}

static inline int_T ssGetInputPortDirectFeedThrough(const SimStruct* S, int_T port) {
  return (sfcnInputPortOk(S, port)) ? S->inputPorts[port].directFeedThrough : 0;
}

// A vector output: width x 1.
static inline void ssSetOutputPortWidth(SimStruct* S, int_T port, int_T width) {
  if (sfcnOutputPortOk(S, port)) {
    S->outputPorts[port].width = width;
    S->outputPorts[port].rows = width;
    S->outputPorts[port].cols = 1;
  }
}

// A rows x cols output; its rows*cols values are column-major.
static inline void ssSetOutputPortMatrixDimensions(SimStruct* S, int_T port, int_T rows, int_T cols) {
  if (sfcnOutputPortOk(S, port)) {
    S->outputPorts[port].rows = rows;
    S->outputPorts[port].cols = cols;
    S->outputPorts[port].width = rows * cols;
  }
}

static inline int_T ssGetInputPortWidth(const SimStruct* S, int_T port) {
  return (sfcnInputPortOk(S, port)) ? S->inputPorts[port].width : 0;
}

static inline InputRealPtrsType ssGetInputPortRealSignalPtrs(const SimStruct* S, int_T port) {
  return (sfcnInputPortOk(S, port)) ? S->inputPorts[port].signalPtrs : NULL;
}

static inline int_T ssGetOutputPortWidth(const SimStruct* S, int_T port) {
  return (sfcnOutputPortOk(S, port)) ? S->outputPorts[port].width : 0;
}

static inline real_T* ssGetOutputPortRealSignal(const SimStruct* S, int_T port) {
  return (sfcnOutputPortOk(S, port)) ? S->outputPorts[port].signal : NULL;
}

// ---- sample times ------------------------------------------------------

static inline void ssSetNumSampleTimes(SimStruct* S, int_T n) { S->numSampleTimes = n; }
static inline int_T ssGetNumSampleTimes(const SimStruct* S) { return S->numSampleTimes; }

static inline void ssSetSampleTime(SimStruct* S, int_T i, time_T t) {
  if (i >= 0 && i < SFCN_MAX_SAMPLE_TIMES) S->sampleTimes[i] = t;
}
static inline void ssSetOffsetTime(SimStruct* S, int_T i, time_T t) {
  if (i >= 0 && i < SFCN_MAX_SAMPLE_TIMES) S->offsetTimes[i] = t;
}
static inline time_T ssGetSampleTime(const SimStruct* S, int_T i) {
  return (i >= 0 && i < SFCN_MAX_SAMPLE_TIMES) ? S->sampleTimes[i] : 0.0;
}
static inline time_T ssGetOffsetTime(const SimStruct* S, int_T i) {
  return (i >= 0 && i < SFCN_MAX_SAMPLE_TIMES) ? S->offsetTimes[i] : 0.0;
}

// ---- array queries -----------------------------------------------------

// Rows: the first dimension.
static inline mwSize mxGetM(const mxArray* a) {
  return (a != NULL && a->numberOfDimensions > 0) ? a->dimensions[0] : 0;
}

// Columns: the product of every dimension after the first, so a 2 x 3 x 4
// array has 12 columns.
static inline mwSize mxGetN(const mxArray* a) {
  mwSize n = 1;
  mwSize k;
  if (a == NULL || a->numberOfDimensions < 2) return 0;
  for (k = 1; k < a->numberOfDimensions; ++k) n *= a->dimensions[k];
  return n;
}

static inline mwSize mxGetNumberOfDimensions(const mxArray* a) {
  return a != NULL ? a->numberOfDimensions : 0;
}

static inline const mwSize* mxGetDimensions(const mxArray* a) {
  return a != NULL ? a->dimensions : NULL;
}

static inline size_t mxGetNumberOfElements(const mxArray* a) {
  size_t n = 1;
  mwSize k;
  if (a == NULL || a->numberOfDimensions == 0) return 0;
  for (k = 0; k < a->numberOfDimensions; ++k) n *= a->dimensions[k];
  return n;
}

static inline bool mxIsEmpty(const mxArray* a) { return mxGetNumberOfElements(a) == 0; }

// The real data, column-major; NULL for an empty array.
static inline real_T* mxGetPr(const mxArray* a) {
  return (a != NULL && mxGetNumberOfElements(a) > 0) ? a->realData : NULL;
}

// The first element; 0.0 for an empty array.
static inline real_T mxGetScalar(const mxArray* a) {
  const real_T* pr = mxGetPr(a);
  return pr != NULL ? pr[0] : 0.0;
}

#endif  // BLOCKS_COMMON_SFUNCTION_H
