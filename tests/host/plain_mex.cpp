// A MEX library that is no S-function: its mexFunction ignores the
// registration call and registers nothing.
#include "blocks/common/sfunction.h"

extern "C" __attribute__((visibility("default"))) void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                                                   const mxArray* prhs[]) {
  (void)nlhs;
  (void)plhs;
  (void)nrhs;
  (void)prhs;
}
