#include "block_tables.h"

#include <cmath>

namespace blocktest {

using host::Array;

std::vector<Array> TableParams::list(BlockKind kind) const
{
    std::vector<Array> p = {actuatorTypes,      numVelocitySensors, numForceSensors,    degreesOfFreedom,
                            headPivotLocations, basePivotLocations, linkPivotLocations, accelLocations,
                            accelOrientations,  coordinateSystem};
    if (kind == BlockKind::Jackpos) p.push_back(maxActuatorDispl);
    p.push_back(maxActuatorForce);
    p.push_back(canonicalUnits);
    p.push_back(verticalAccelOffset);
    p.push_back(jacobianUpdateMode);
    p.push_back(rateType);
    if (kind == BlockKind::Jackpos) p.push_back(forwardIterations);
    return p;
}

TableParams hexapodTable()
{
    constexpr double deg = 0.017453292519943295;
    TableParams t;
    t.actuatorTypes = Array::rowVector({1, 1, 1, 1, 1, 1});
    t.numVelocitySensors = Array::scalar(6);
    t.numForceSensors = Array::scalar(6);
    t.degreesOfFreedom = Array::rowVector({1, 2, 3, 4, 5, 6});
    t.headPivotLocations = Array::fromRows({{160.697, 160.697, 85.505, -246.202, -246.202, 85.505},
                                            {-191.511, 191.511, 234.923, 43.412, -43.412, -234.923},
                                            {500.0, 500.0, 500.0, 500.0, 500.0, 500.0}});
    t.basePivotLocations = Array::fromRows({{393.923, 393.923, -136.808, -257.115, -257.115, -136.808},
                                            {-69.459, 69.459, 375.877, 306.418, -306.418, -375.877},
                                            {0.0, 0.0, 0.0, 0.0, 0.0, 0.0}});
    t.linkPivotLocations = Array();
    t.accelLocations = Array::fromRows({{0.0, 0.0, -173.205, -173.205, 173.205, 173.205},
                                        {200.0, 200.0, -100.0, -100.0, -100.0, -100.0},
                                        {500.0, 500.0, 500.0, 500.0, 500.0, 500.0}});
    t.accelOrientations = Array::fromRows({{-1.0, 0.0, 0.5, 0.0, 0.5, 0.0},
                                           {0.0, 0.0, -0.8660254037844386, 0.0, 0.8660254037844386, 0.0},
                                           {0.0, 1.0, 0.0, 1.0, 0.0, 1.0}});
    t.coordinateSystem = Array::rowVector({0, 0, 500, 0, 0, 0});
    t.maxActuatorDispl = Array::rowVector({150, 150, 150, 150, 150, 150});
    t.maxActuatorForce = Array::matrix(6, 2, {20000, 20000, 20000, 20000, 20000, 20000,  //
                                              -15000, -15000, -15000, -15000, -15000, -15000});
    t.canonicalUnits = Array::rowVector({1, 1, 1, 1, deg, deg, deg, 1});
    t.verticalAccelOffset = Array::scalar(0);
    t.jacobianUpdateMode = Array::scalar(1);
    t.rateType = Array::scalar(1);
    t.forwardIterations = Array::scalar(4);
    return t;
}

TableParams minimalTable()
{
    TableParams t;
    t.actuatorTypes = Array::rowVector({1, 1});
    t.numVelocitySensors = Array::scalar(0);
    t.numForceSensors = Array::scalar(0);
    t.degreesOfFreedom = Array::scalar(3);
    t.headPivotLocations = Array::fromRows({{1, -1}, {0, 0}, {1, 1}});
    t.basePivotLocations = Array::fromRows({{1, -1}, {0, 0}, {0, 0}});
    t.linkPivotLocations = Array();
    t.accelLocations = Array();
    t.accelOrientations = Array();
    t.coordinateSystem = Array::rowVector({0, 0, 0, 0, 0, 0});
    t.maxActuatorDispl = Array::rowVector({0.5, 0.5});
    t.maxActuatorForce = Array::rowVector({100, 100});
    t.canonicalUnits = Array::rowVector({1, 1, 1, 1, 1, 1, 1, 1});
    t.verticalAccelOffset = Array();
    t.jacobianUpdateMode = Array();
    t.rateType = Array();
    t.forwardIterations = Array();
    return t;
}

TableParams strutRing(int n)
{
    TableParams t = minimalTable();
    std::vector<double> types(static_cast<size_t>(n), 1.0);
    std::vector<double> head;
    std::vector<double> base;
    for (int i = 0; i < n; ++i) {
        double angle = 2.0 * 3.14159265358979323846 * i / n;
        double x = std::cos(angle);
        double y = std::sin(angle);
        head.insert(head.end(), {x, y, 1.0});
        base.insert(base.end(), {x, y, 0.0});
    }
    t.actuatorTypes = Array::rowVector(types);
    t.headPivotLocations = Array::matrix(3, static_cast<mwSize>(n), head);
    t.basePivotLocations = Array::matrix(3, static_cast<mwSize>(n), base);
    t.maxActuatorDispl = Array::rowVector(std::vector<double>(static_cast<size_t>(n), 0.5));
    t.maxActuatorForce = Array::rowVector(std::vector<double>(static_cast<size_t>(n), 100.0));
    return t;
}

Array accelColumns(int count, double value)
{
    return Array::matrix(3, static_cast<mwSize>(count), std::vector<double>(3 * static_cast<size_t>(count), value));
}

}  // namespace blocktest
