// host::SimulationStructure: the owner of one block instance's SimStruct and
// of every buffer the SimStruct points into.
//
// A plug-in keeps raw pointers into this object (the SimStruct itself, the
// parameter views, the input signal pointer arrays, the output buffers), so
// it is neither copied nor moved; host::Block holds it on the heap.
//
// Buffer layout per port:
//   input k   inputValues_[k]: width doubles, zero at allocation, written by
//             the host; inputPtrs_[k][i] == &inputValues_[k][i], which is what
//             ssGetInputPortRealSignalPtrs hands to the block.
//   output k  outputValues_[k]: width doubles, zero at allocation, written by
//             the block, kept from one output step to the next (a block that
//             skips a port leaves its previous values there).
#pragma once

#include "blocks/common/sfunction.h"
#include "host/array.h"

#include <span>
#include <string>
#include <vector>

namespace host {

class SimulationStructure {
 public:
  SimulationStructure();
  SimulationStructure(const SimulationStructure&) = delete;
  SimulationStructure& operator=(const SimulationStructure&) = delete;
  ~SimulationStructure() = default;

  SimStruct* get() noexcept { return &s_; }
  const SimStruct* get() const noexcept { return &s_; }

  // Back to a fresh, unregistered structure: everything zero, magic and version set,
  // no parameters, no buffers, no host message.
  void reset();

  // Points the SimStruct's parameters at the views of `parameters`, which must
  // outlive this binding and not be resized. More than SFCN_MAX_PARAMS is refused
  // with std::length_error.
  void bindParameters(const std::vector<Array>& parameters);

  // Allocates zeroed buffers for the declared ports and points the SimStruct at
  // them. Throws std::invalid_argument for a negative width.
  void allocatePorts();
  bool portsAllocated() const noexcept { return portsAllocated_; }

  // Records a message of the host itself as the error status.
  void setHostError(std::string message);
  void clearError() noexcept;

  // Port buffers; std::out_of_range for a port that is not allocated.
  std::span<double> input(int port);
  std::span<const double> input(int port) const;
  std::span<const double> output(int port) const;

 private:
  SimStruct s_{};
  std::vector<std::vector<double>> inputValues_;
  std::vector<std::vector<const real_T*>> inputPtrs_;
  std::vector<std::vector<double>> outputValues_;
  std::string hostError_;
  bool portsAllocated_ = false;
};

}  // namespace host
