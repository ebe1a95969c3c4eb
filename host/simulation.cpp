#include "host/simulation.h"

#include <cstring>
#include <stdexcept>
#include <utility>

namespace host {

SimulationStructure::SimulationStructure() { reset(); }

void SimulationStructure::reset() {
  std::memset(&s_, 0, sizeof s_);
  s_.magic = SFCN_SIMSTRUCT_MAGIC;
  s_.version = SFCN_INTERFACE_VERSION;
  // Parameters are tunable until the block says otherwise; vector outputs
  // have one column.
  for (int_T& tunable : s_.sfcnParamTunable) tunable = SS_PRM_TUNABLE;
  for (SFcnOutputPort& port : s_.outputPorts) port.cols = 1;
  inputValues_.clear();
  inputPtrs_.clear();
  outputValues_.clear();
  hostError_.clear();
  portsAllocated_ = false;
}

void SimulationStructure::bindParameters(const std::vector<Array>& parameters) {
  if (parameters.size() > SFCN_MAX_PARAMS) {
    throw std::length_error(std::to_string(parameters.size()) + " parameters given, at most " +
                            std::to_string(SFCN_MAX_PARAMS) + " supported");
  }
  for (const mxArray*& p : s_.sfcnParams) p = nullptr;
  for (std::size_t i = 0; i < parameters.size(); ++i) s_.sfcnParams[i] = parameters[i].mx();
  s_.sfcnParamsCount = static_cast<int_T>(parameters.size());
}

void SimulationStructure::allocatePorts() {
  const int nIn = s_.numInputPorts;
  const int nOut = s_.numOutputPorts;
  for (int k = 0; k < nIn; ++k) {
    if (s_.inputPorts[k].width < 0) {
      throw std::invalid_argument("input port " + std::to_string(k) + " has width " +
                                  std::to_string(s_.inputPorts[k].width));
    }
  }
  for (int k = 0; k < nOut; ++k) {
    if (s_.outputPorts[k].width < 0 || s_.outputPorts[k].rows < 0 || s_.outputPorts[k].cols < 0) {
      throw std::invalid_argument("output port " + std::to_string(k) + " has width " +
                                  std::to_string(s_.outputPorts[k].width));
    }
  }

  inputValues_.assign(static_cast<std::size_t>(nIn), {});
  inputPtrs_.assign(static_cast<std::size_t>(nIn), {});
  for (int k = 0; k < nIn; ++k) {
    auto& values = inputValues_[static_cast<std::size_t>(k)];
    auto& ptrs = inputPtrs_[static_cast<std::size_t>(k)];
    values.assign(static_cast<std::size_t>(s_.inputPorts[k].width), 0.0);
    ptrs.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) ptrs[i] = &values[i];
    s_.inputPorts[k].signalPtrs = ptrs.empty() ? nullptr : ptrs.data();
  }
  outputValues_.assign(static_cast<std::size_t>(nOut), {});
  for (int k = 0; k < nOut; ++k) {
    auto& values = outputValues_[static_cast<std::size_t>(k)];
    values.assign(static_cast<std::size_t>(s_.outputPorts[k].width), 0.0);
    s_.outputPorts[k].signal = values.empty() ? nullptr : values.data();
  }
  portsAllocated_ = true;
}

void SimulationStructure::setHostError(std::string message) {
  hostError_ = std::move(message);
  s_.errorStatus = hostError_.c_str();
}

void SimulationStructure::clearError() noexcept { s_.errorStatus = nullptr; }

std::span<double> SimulationStructure::input(int port) {
  if (!portsAllocated_ || port < 0 || static_cast<std::size_t>(port) >= inputValues_.size()) {
    throw std::out_of_range("no input port " + std::to_string(port));
  }
  return inputValues_[static_cast<std::size_t>(port)];
}

std::span<const double> SimulationStructure::input(int port) const {
  if (!portsAllocated_ || port < 0 || static_cast<std::size_t>(port) >= inputValues_.size()) {
    throw std::out_of_range("no input port " + std::to_string(port));
  }
  return inputValues_[static_cast<std::size_t>(port)];
}

std::span<const double> SimulationStructure::output(int port) const {
  if (!portsAllocated_ || port < 0 || static_cast<std::size_t>(port) >= outputValues_.size()) {
    throw std::out_of_range("no output port " + std::to_string(port));
  }
  return outputValues_[static_cast<std::size_t>(port)];
}

}  // namespace host
