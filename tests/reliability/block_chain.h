// Posjack feeding Jackpos, both loaded from the built plug-ins: the commanded
// motion becomes actuator signals, and those signals become the table's
// motion again.
#pragma once

#include <algorithm>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "hexapod_table.h"
#include "host/loader.h"

namespace reliability {

class BlockChain {
 public:
  explicit BlockChain(const TableConfig& config)
      : config_(config),
        posjack_(plugin(POSJACK_PATH), hexapodParameters(withBlock(config, false))),
        jackpos_(plugin(JACKPOS_PATH), hexapodParameters(withBlock(config, true))) {}

  // Both blocks initialized; otherwise the message of the one that failed.
  std::string initialize() {
    if (!posjack_.initialize()) return posjack_.errorStatus();
    if (!jackpos_.initialize()) return jackpos_.errorStatus();
    return {};
  }

  host::Block& posjack() { return posjack_; }
  host::Block& jackpos() { return jackpos_; }

  // The four command inputs of Posjack (pose, velocity, acceleration, force),
  // d values each.
  std::span<double> command(int port) { return posjack_.input(port); }

  // Hands Posjack's outputs to Jackpos: displacements, velocity sensors (or,
  // without them, the commanded rotational rates, in the form of the DOF
  // signals), accelerometer signals, force sensors.
  void connect() {
    copy(posjack_.output(0), jackpos_.input(0));
    if (config_.velocitySensors) {
      copy(posjack_.output(1), jackpos_.input(1));
    } else {
      const auto velocity = posjack_.input(1);
      const auto rates = jackpos_.input(1);
      const std::size_t firstRotation = config_.allDofs ? 3 : 1;
      for (std::size_t i = 0; i < rates.size() && firstRotation + i < velocity.size(); ++i)
        rates[i] = velocity[firstRotation + i];
    }
    if (config_.accelerometers) copy(posjack_.output(2), jackpos_.input(2));
    copy(posjack_.output(3), jackpos_.input(3));
  }

 private:
  static std::shared_ptr<const host::Plugin> plugin(const char* path) {
    return std::make_shared<const host::Plugin>(path);
  }
  static TableConfig withBlock(TableConfig config, bool jackpos) {
    config.jackpos = jackpos;
    return config;
  }
  static void copy(std::span<const double> from, std::span<double> to) {
    if (from.size() != to.size()) throw std::logic_error("port widths differ");
    std::copy(from.begin(), from.end(), to.begin());
  }

  TableConfig config_;
  host::Block posjack_;
  host::Block jackpos_;
};

}  // namespace reliability
