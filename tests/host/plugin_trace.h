// Shared by the test plug-in and the loader tests: a record the plug-in
// writes its callbacks into, found through the plug-in's parameter 0, which
// carries the record's address as two doubles (high and low 32 bits; each
// half is exact in a double).
#pragma once

#include <cstdint>
#include <cstring>

struct PluginTrace {
  char events[1024];  // callback names, each followed by one space
  int liveRecords;    // work records created by mdlInitializeSizes and not yet released
};

inline void traceEvent(PluginTrace* trace, const char* name) {
  if (trace == nullptr) return;
  const std::size_t used = std::strlen(trace->events);
  const std::size_t need = std::strlen(name) + 1;
  if (used + need + 1 > sizeof trace->events) return;
  std::memcpy(trace->events + used, name, need - 1);
  trace->events[used + need - 1] = ' ';
  trace->events[used + need] = '\0';
}

inline void encodeTraceAddress(const PluginTrace* trace, double out[2]) {
  const auto bits = reinterpret_cast<std::uintptr_t>(trace);
  out[0] = static_cast<double>(static_cast<std::uint64_t>(bits) >> 32);
  out[1] = static_cast<double>(static_cast<std::uint64_t>(bits) & 0xffffffffu);
}

inline PluginTrace* decodeTraceAddress(const double in[2]) {
  const std::uint64_t bits = (static_cast<std::uint64_t>(in[0]) << 32) | static_cast<std::uint64_t>(in[1]);
  return reinterpret_cast<PluginTrace*>(static_cast<std::uintptr_t>(bits));
}
