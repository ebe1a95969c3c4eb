// The commands of sfhost. Each returns the exit status on success (0) and
// throws the errors of errors.h otherwise.
#pragma once

#include "cli.h"

namespace sfhost {

int runInfo(const CommandLine& cl);
int runRun(const CommandLine& cl);
int runChain(const CommandLine& cl);
int runRanges(const CommandLine& cl);

}  // namespace sfhost
