#include "host/loader.h"

#include <dlfcn.h>

#include <stdexcept>
#include <utility>

namespace host {

namespace {

std::string lastDlError() {
  const char* e = dlerror();
  return e != nullptr ? e : "unknown error";
}

std::string countOf(int n, const char* noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

}  // namespace

// ---- Plugin -------------------------------------------------------------

Plugin::Plugin(std::filesystem::path path) : path_(std::move(path)) {
  // dlopen looks a bare file name up in the system library path, not in the
  // current directory; a plug-in named on a command line means the file here.
  const std::filesystem::path where = path_.has_parent_path() ? path_ : std::filesystem::path(".") / path_;
  dlerror();
  handle_ = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    throw std::runtime_error("cannot load plug-in " + path_.string() + ": " + lastDlError());
  }
  dlerror();
  void* symbol = dlsym(handle_, "mexFunction");
  if (symbol == nullptr) {
    const std::string why = lastDlError();
    dlclose(handle_);
    throw std::runtime_error(path_.string() + " is not a MEX plug-in: it exports no mexFunction (" + why +
                             ")");
  }
  entry_ = reinterpret_cast<MexFunction>(symbol);

  // A scratch registration tells whether the library speaks this host's
  // interface, and gives the block's name before any instance exists.
  SimulationStructure probe;
  if (!registerInto(*probe.get())) {
    dlclose(handle_);
    throw std::runtime_error(path_.string() +
                             " is not an S-function plug-in of this host: its mexFunction registers no block");
  }
  name_ = probe.get()->sfcnName;
}

Plugin::~Plugin() {
  if (handle_ != nullptr) dlclose(handle_);
}

bool Plugin::registerInto(SimStruct& S) const {
  S.registeredVersion = 0;
  S.methods = SFcnMethods{};
  const mxArray* prhs[1] = {reinterpret_cast<const mxArray*>(&S)};
  entry_(SFCN_REGISTER_NLHS, nullptr, 1, prhs);
  return S.registeredVersion == SFCN_INTERFACE_VERSION && S.methods.mdlInitializeSizes != nullptr;
}

// ---- Block --------------------------------------------------------------

Block::Block(std::shared_ptr<const Plugin> plugin, std::vector<Array> parameters)
    : plugin_(std::move(plugin)),
      parameters_(std::move(parameters)),
      sim_(std::make_unique<SimulationStructure>()) {
  if (!plugin_) throw std::invalid_argument("host::Block: no plug-in");
}

Block::~Block() {
  if (sim_) terminate();
}

// The SimStruct lives on the heap and the parameter views inside the vector's
// buffer, so moving the members keeps every pointer the plug-in holds valid.
Block::Block(Block&& other) noexcept
    : plugin_(std::move(other.plugin_)),
      parameters_(std::move(other.parameters_)),
      sim_(std::move(other.sim_)),
      sizesRan_(std::exchange(other.sizesRan_, false)),
      initialized_(std::exchange(other.initialized_, false)),
      terminated_(std::exchange(other.terminated_, false)) {}

Block& Block::operator=(Block&& other) noexcept {
  if (this != &other) {
    if (sim_) terminate();
    plugin_ = std::move(other.plugin_);
    parameters_ = std::move(other.parameters_);
    sim_ = std::move(other.sim_);
    sizesRan_ = std::exchange(other.sizesRan_, false);
    initialized_ = std::exchange(other.initialized_, false);
    terminated_ = std::exchange(other.terminated_, false);
  }
  return *this;
}

bool Block::fail(std::string message) {
  sim_->setHostError(std::move(message));
  return false;
}

bool Block::initialize() {
  if (!sim_) throw std::logic_error("host::Block: moved-from block");
  terminate();
  sim_->reset();
  sizesRan_ = false;
  initialized_ = false;
  terminated_ = false;

  SimStruct* S = sim_->get();
  if (!plugin_->registerInto(*S)) {
    return fail(name() + ": registration through mexFunction failed.");
  }
  if (parameters_.size() > SFCN_MAX_PARAMS) {
    return fail(name() + ": " + countOf(parameterCount(), "parameter") + " given, at most " +
                std::to_string(SFCN_MAX_PARAMS) + " supported.");
  }
  sim_->bindParameters(parameters_);

  sizesRan_ = true;
  S->methods.mdlInitializeSizes(S);
  // The block's own message comes first: only the first failure is reported.
  if (S->errorStatus != nullptr) return false;

  const int expected = S->numSFcnParams;
  if (expected >= 0 && expected != parameterCount()) {
    return fail(name() + ": " + countOf(parameterCount(), "parameter") + " given, " + std::to_string(expected) +
                " expected.");
  }

  try {
    sim_->allocatePorts();
  } catch (const std::invalid_argument& e) {
    return fail(name() + ": " + e.what() + ".");
  }

  if (S->methods.mdlInitializeSampleTimes != nullptr) {
    S->methods.mdlInitializeSampleTimes(S);
    if (S->errorStatus != nullptr) return false;
  }
  initialized_ = true;
  return true;
}

bool Block::setParameters(std::vector<Array> parameters) {
  if (!sim_) throw std::logic_error("host::Block: moved-from block");
  parameters_ = std::move(parameters);
  if (!sizesRan_ || terminated_) return true;

  if (parameters_.size() > SFCN_MAX_PARAMS) {
    sim_->bindParameters({});
    return fail(name() + ": " + countOf(parameterCount(), "parameter") + " given, at most " +
                std::to_string(SFCN_MAX_PARAMS) + " supported.");
  }
  sim_->bindParameters(parameters_);
  sim_->clearError();
  SimStruct* S = sim_->get();
  const int expected = S->numSFcnParams;
  if (expected >= 0 && expected != parameterCount()) {
    return fail(name() + ": " + countOf(parameterCount(), "parameter") + " given, " + std::to_string(expected) +
                " expected.");
  }
  if (S->methods.mdlCheckParameters != nullptr) S->methods.mdlCheckParameters(S);
  return S->errorStatus == nullptr;
}

bool Block::outputs() {
  if (!initialized()) throw std::logic_error("host::Block: " + name() + " is not initialized");
  SimStruct* S = sim_->get();
  if (S->methods.mdlOutputs != nullptr) S->methods.mdlOutputs(S, 0);
  return S->errorStatus == nullptr;
}

void Block::terminate() {
  if (!sizesRan_ || terminated_) return;
  terminated_ = true;
  SimStruct* S = sim_->get();
  if (S->methods.mdlTerminate != nullptr) S->methods.mdlTerminate(S);
}

const char* Block::errorStatus() const noexcept { return sim_ ? sim_->get()->errorStatus : nullptr; }

int Block::expectedParameterCount() const noexcept { return ssGetNumSFcnParams(sim_->get()); }

bool Block::parameterTunable(int index) const noexcept {
  return index >= 0 && index < SFCN_MAX_PARAMS && sim_->get()->sfcnParamTunable[index] != SS_PRM_NOT_TUNABLE;
}

int Block::numInputPorts() const noexcept { return ssGetNumInputPorts(sim_->get()); }
int Block::numOutputPorts() const noexcept { return ssGetNumOutputPorts(sim_->get()); }
int Block::inputWidth(int port) const noexcept { return ssGetInputPortWidth(sim_->get(), port); }

bool Block::inputDirectFeedthrough(int port) const noexcept {
  return ssGetInputPortDirectFeedThrough(sim_->get(), port) != 0;
}

int Block::outputWidth(int port) const noexcept { return ssGetOutputPortWidth(sim_->get(), port); }

int Block::outputRows(int port) const noexcept {
  return port >= 0 && port < numOutputPorts() ? sim_->get()->outputPorts[port].rows : 0;
}

int Block::outputCols(int port) const noexcept {
  return port >= 0 && port < numOutputPorts() ? sim_->get()->outputPorts[port].cols : 0;
}

int Block::numSampleTimes() const noexcept { return ssGetNumSampleTimes(sim_->get()); }
double Block::sampleTime(int index) const noexcept { return ssGetSampleTime(sim_->get(), index); }
double Block::offsetTime(int index) const noexcept { return ssGetOffsetTime(sim_->get(), index); }
unsigned Block::options() const noexcept { return ssGetOptions(sim_->get()); }

std::span<double> Block::input(int port) { return sim_->input(port); }
std::span<const double> Block::output(int port) const { return sim_->output(port); }

}  // namespace host
