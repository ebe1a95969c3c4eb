// Loading a block plug-in and driving one instance of it as Simulink does.
//
// host::Plugin is one opened .mexa64: dlopen, the mexFunction export, and a
// probe registration that proves the library is an S-function of this host
// and tells its name. host::Block is one block instance over a Plugin: its
// own SimStruct (host::SimulationStructure), its parameters, and the
// callbacks in Simulink's order:
//
//   initialize()   registration through mexFunction
//                  mdlInitializeSizes
//                  parameter count check (the host's, as Simulink's)
//                  port buffers allocated (all zeros)
//                  mdlInitializeSampleTimes
//   outputs()      mdlOutputs(S, 0), any number of times
//   terminate()    mdlTerminate, once
//
// mdlTerminate runs whenever mdlInitializeSizes has run, also after a failed
// initialize: a block creates its work record before it looks at its
// parameters, and only mdlTerminate releases it.
#pragma once

#include "blocks/common/sfunction.h"
#include "host/array.h"
#include "host/simulation.h"

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace host {

using MexFunction = void (*)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

class Plugin {
 public:
  // Opens the library (RTLD_NOW | RTLD_LOCAL) and probes it. A bare file name
  // means the file in the current directory, never one found on the system
  // library path. Throws
  // std::runtime_error naming the file: it cannot be loaded (with dlerror()),
  // it exports no mexFunction, or its mexFunction registers no S-function.
  explicit Plugin(std::filesystem::path path);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  const std::filesystem::path& path() const noexcept { return path_; }
  // The S-function name compiled into the plug-in.
  const std::string& name() const noexcept { return name_; }
  MexFunction mexFunction() const noexcept { return entry_; }

  // Runs the registration call on S (whose magic and version the caller has
  // set); true when the plug-in filled in its callbacks.
  bool registerInto(SimStruct& S) const;

 private:
  std::filesystem::path path_;
  void* handle_ = nullptr;
  MexFunction entry_ = nullptr;
  std::string name_;
};

class Block {
 public:
  // The plug-in stays loaded while any Block over it lives. Throws
  // std::invalid_argument for a null plug-in.
  explicit Block(std::shared_ptr<const Plugin> plugin, std::vector<Array> parameters = {});
  ~Block();  // terminate()
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  Block(Block&& other) noexcept;
  Block& operator=(Block&& other) noexcept;

  // Runs the initialization sequence above; false when the block or the host
  // set an error (then see errorStatus()). A second call terminates the
  // previous run first and starts afresh with the current parameters.
  bool initialize();
  bool initialized() const noexcept { return initialized_ && !terminated_; }

  // Replaces the parameters. Once mdlInitializeSizes has run (and until
  // terminate) the new set goes through the count check and the block's
  // mdlCheckParameters, as after a dialog edit; the result is whether no
  // error was raised. Before that the set is only stored for initialize().
  bool setParameters(std::vector<Array> parameters);

  // mdlOutputs(S, 0). Throws std::logic_error unless initialized(). Returns
  // false when the block has set an error status.
  bool outputs();

  // mdlTerminate, at most once per initialize(); nothing before initialize().
  void terminate();

  // The error status exactly as the block (or the host) set it; nullptr when none.
  const char* errorStatus() const noexcept;

  const std::string& name() const noexcept { return plugin_->name(); }
  const Plugin& plugin() const noexcept { return *plugin_; }
  const std::vector<Array>& parameters() const noexcept { return parameters_; }
  int parameterCount() const noexcept { return static_cast<int>(parameters_.size()); }
  // The count the block declared (-1: any).
  int expectedParameterCount() const noexcept;
  bool parameterTunable(int index) const noexcept;

  int numInputPorts() const noexcept;
  int numOutputPorts() const noexcept;
  int inputWidth(int port) const noexcept;
  bool inputDirectFeedthrough(int port) const noexcept;
  int outputWidth(int port) const noexcept;
  int outputRows(int port) const noexcept;
  int outputCols(int port) const noexcept;

  int numSampleTimes() const noexcept;
  double sampleTime(int index = 0) const noexcept;
  double offsetTime(int index = 0) const noexcept;
  unsigned options() const noexcept;

  // Port k's values; std::out_of_range unless the ports are allocated and k exists.
  std::span<double> input(int port);
  std::span<const double> output(int port) const;

  // Everything else the block declared (work vector counts, states, ...).
  const SimStruct& simStruct() const noexcept { return *sim_->get(); }

 private:
  bool fail(std::string message);

  std::shared_ptr<const Plugin> plugin_;
  std::vector<Array> parameters_;
  std::unique_ptr<SimulationStructure> sim_;
  bool sizesRan_ = false;
  bool initialized_ = false;
  bool terminated_ = false;
};

}  // namespace host
