// The S-function entry: included once, at the very end of a block source.
//
// Before including it the block source defines
//   S_FUNCTION_NAME                      the block's name, as a token (Jackpos)
//                                        or a string ("Jackpos"); it equals the
//                                        plug-in's file name without .mexa64
// and the callbacks (usually static)
//   void mdlInitializeSizes(SimStruct* S);
//   void mdlInitializeSampleTimes(SimStruct* S);
//   void mdlCheckParameters(SimStruct* S);
//   void mdlOutputs(SimStruct* S, int_T tid);
//   void mdlTerminate(SimStruct* S);
//
// This file defines the plug-in's one export, mexFunction. A host registers
// an instance by calling
//   mexFunction(SFCN_REGISTER_NLHS, NULL, 1, prhs)   prhs[0] = (const mxArray*)S
// with S->magic and S->version set; the entry then writes the callback table
// and the S-function name into S and nothing else. Every other call (an
// ordinary MEX call, a foreign or stale SimStruct) returns without touching
// anything, so calling a plug-in the wrong way is harmless.
//
// Link the plug-in with -fvisibility=hidden -fvisibility-inlines-hidden and the
// version script blocks/common/mexfunction.map so that mexFunction is its only
// dynamic symbol; the attribute below keeps it visible under those flags.
#ifndef BLOCKS_COMMON_SFUNCTION_ENTRY_H
#define BLOCKS_COMMON_SFUNCTION_ENTRY_H

#include "blocks/common/sfunction.h"

#ifndef S_FUNCTION_NAME
#error "Define S_FUNCTION_NAME before including blocks/common/sfunction_entry.h"
#endif

#define SFCN_ENTRY_STRINGIFY_(x) #x
#define SFCN_ENTRY_STRINGIFY(x) SFCN_ENTRY_STRINGIFY_(x)

// Copies the name into S; a name given as a string literal arrives here with
// its quotes (stringified twice), which are dropped.
static inline void sfcnEntryRegister(SimStruct* S) {
  static const char raw[] = SFCN_ENTRY_STRINGIFY(S_FUNCTION_NAME);
  size_t begin = 0;
  size_t end = sizeof raw - 1;
  size_t k;
  if (end >= 2 && raw[0] == '"' && raw[end - 1] == '"') {
    begin = 1;
    end -= 1;
  }
  if (end - begin > SFCN_NAME_CAPACITY - 1) end = begin + (SFCN_NAME_CAPACITY - 1);
  for (k = begin; k < end; ++k) S->sfcnName[k - begin] = raw[k];
  S->sfcnName[end - begin] = '\0';

  S->methods.mdlInitializeSizes = mdlInitializeSizes;
  S->methods.mdlInitializeSampleTimes = mdlInitializeSampleTimes;
  S->methods.mdlCheckParameters = mdlCheckParameters;
  S->methods.mdlOutputs = mdlOutputs;
  S->methods.mdlTerminate = mdlTerminate;
  S->registeredVersion = SFCN_INTERFACE_VERSION;
}

#ifdef __cplusplus
extern "C"
#endif
__attribute__((visibility("default"))) void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                                        const mxArray* prhs[]);

#ifdef __cplusplus
extern "C"
#endif
__attribute__((visibility("default"))) void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                                        const mxArray* prhs[]) {
  SimStruct* S;
  (void)plhs;
  if (nlhs != SFCN_REGISTER_NLHS || nrhs != 1 || prhs == NULL || prhs[0] == NULL) return;
  // The host passes its SimStruct in the array slot; it is never read as an mxArray.
  S = (SimStruct*)(void*)(prhs[0]);
  if (S->magic != SFCN_SIMSTRUCT_MAGIC || S->version != SFCN_INTERFACE_VERSION) return;
  sfcnEntryRegister(S);
}

#endif  // BLOCKS_COMMON_SFUNCTION_ENTRY_H
