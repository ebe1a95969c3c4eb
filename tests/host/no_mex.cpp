// A shared library that is not a MEX plug-in: it exports something else.
extern "C" int notAnEntryPoint(int x) { return x + 1; }
