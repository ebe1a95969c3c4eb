#include "hexapod_table.h"

#include <numbers>

namespace reliability {

std::string TableConfig::describe() const
{
    std::string s = accelerometers ? "accel" : "no-accel";
    s += velocitySensors ? " vel" : " no-vel";
    s += forceSensors ? " force" : " no-force";
    s += allDofs ? " d=n" : " d<n";
    s += " U=" + std::to_string(updateMode) + " T=" + std::to_string(rateType);
    return s;
}

std::vector<int> dofCodes(const TableConfig& config)
{
    if (config.allDofs) return {0, 1, 2, 3, 4, 5};
    return {2, 3, 4};
}

std::vector<host::Array> hexapodParameters(const TableConfig& config)
{
    using host::Array;
    const double n = kActuators;
    std::vector<double> dofs;
    for (int code : dofCodes(config)) dofs.push_back(code + 1.0);

    const Array head = Array::fromRows({
        {160.697, 160.697, 85.505, -246.202, -246.202, 85.505},
        {-191.511, 191.511, 234.923, 43.412, -43.412, -234.923},
        {500.0, 500.0, 500.0, 500.0, 500.0, 500.0},
    });
    const Array base = Array::fromRows({
        {393.923, 393.923, -136.808, -257.115, -257.115, -136.808},
        {-69.459, 69.459, 375.877, 306.418, -306.418, -375.877},
        {0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
    });
    // Pairs of accelerometers at three places on the head, measuring along
    // x, z, and in the plane tangential to the head.
    const double c = 0.8660254037844386;
    const Array accelLocations = config.accelerometers
        ? Array::fromRows({
              {0.0, 0.0, -173.205, -173.205, 173.205, 173.205},
              {200.0, 200.0, -100.0, -100.0, -100.0, -100.0},
              {500.0, 500.0, 500.0, 500.0, 500.0, 500.0},
          })
        : Array::empty();
    const Array accelOrientations = config.accelerometers
        ? Array::fromRows({
              {-1.0, 0.0, 0.5, 0.0, 0.5, 0.0},
              {0.0, 0.0, -c, 0.0, c, 0.0},
              {0.0, 1.0, 0.0, 1.0, 0.0, 1.0},
          })
        : Array::empty();
    const double deg = std::numbers::pi / 180.0;

    std::vector<Array> p;
    p.push_back(Array::rowVector({1, 1, 1, 1, 1, 1}));
    p.push_back(Array::scalar(config.velocitySensors ? n : 0.0));
    p.push_back(Array::scalar(config.forceSensors ? n : 0.0));
    p.push_back(Array::rowVector(dofs));
    p.push_back(head);
    p.push_back(base);
    p.push_back(Array::empty());
    p.push_back(accelLocations);
    p.push_back(accelOrientations);
    p.push_back(Array::rowVector({0, 0, 500, 0, 0, 0}));
    if (config.jackpos) p.push_back(Array::rowVector({150, 150, 150, 150, 150, 150}));
    p.push_back(Array::matrix(6, 2, {20000, 20000, 20000, 20000, 20000, 20000,
                                     -15000, -15000, -15000, -15000, -15000, -15000}));
    p.push_back(Array::rowVector({1, 1, 1, 1, deg, deg, deg, 1}));
    p.push_back(Array::scalar(0.0));
    p.push_back(Array::scalar(config.updateMode));
    p.push_back(Array::scalar(config.rateType));
    if (config.jackpos) p.push_back(Array::scalar(config.forwardIterations));
    return p;
}

}  // namespace reliability
