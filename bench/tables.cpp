#include "tables.h"

#include <array>
#include <cmath>

namespace benchtab {

namespace {

using host::Array;
using Vec = std::array<double, 3>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = 0.017453292519943295;

Vec add(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec scale(double s, const Vec& a) { return {s * a[0], s * a[1], s * a[2]}; }
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec unit(const Vec& a) { return scale(1.0 / std::sqrt(dot(a, a)), a); }
Vec onCircle(double radius, double degrees, double z)
{
    return {radius * std::cos(degrees * kDeg), radius * std::sin(degrees * kDeg), z};
}

// 3 x count array, one point per column.
Array columns(const std::vector<Vec>& points)
{
    std::vector<double> data;
    for (const Vec& p : points) data.insert(data.end(), p.begin(), p.end());
    return Array::matrix(3, static_cast<mwSize>(points.size()), data);
}

// The parameters common to every table, in one place; the geometry is set by
// the table builders.
struct Params {
    std::vector<double> types;
    std::vector<Vec> head, base;
    std::vector<Vec> link[3];   // empty when the table has no link pivots
    std::vector<Vec> accelAt, accelAlong;
    std::vector<double> forceMax, forceMin;
};

std::vector<host::Array> dialogList(BlockKind kind, const Setup& setup, const Params& p)
{
    const auto n = static_cast<mwSize>(p.types.size());
    Array links;
    if (!p.link[0].empty()) {
        std::vector<double> data;
        for (const auto& page : p.link)
            for (const Vec& v : page) data.insert(data.end(), v.begin(), v.end());
        links = Array({3, n, 3}, data);
    }
    std::vector<double> force = p.forceMax;
    force.insert(force.end(), p.forceMin.begin(), p.forceMin.end());

    std::vector<Array> list = {Array::rowVector(p.types),
                               Array::scalar(static_cast<double>(n)),
                               Array::scalar(static_cast<double>(n)),
                               Array::rowVector({1, 2, 3, 4, 5, 6}),
                               columns(p.head),
                               columns(p.base),
                               links,
                               columns(p.accelAt),
                               columns(p.accelAlong),
                               Array::rowVector({0, 0, 500, 0, 0, 0})};
    if (kind == BlockKind::Jackpos) list.push_back(Array::rowVector(std::vector<double>(n, 150.0)));
    list.push_back(Array::matrix(n, 2, force));
    list.push_back(Array::rowVector({1, 1, 1, 1, kDeg, kDeg, kDeg, 1}));
    list.push_back(Array::scalar(0.0));
    list.push_back(Array::scalar(setup.updateMode));
    list.push_back(Array::scalar(1));
    if (kind == BlockKind::Jackpos) list.push_back(Array::scalar(setup.iterations));
    return list;
}

// Six accelerometers on the head plane, as on the example hexapod.
void hexapodAccelerometers(Params& p)
{
    p.accelAt = {{0.0, 200.0, 500.0},       {0.0, 200.0, 500.0},       {-173.205, -100.0, 500.0},
                 {-173.205, -100.0, 500.0}, {173.205, -100.0, 500.0},  {173.205, -100.0, 500.0}};
    p.accelAlong = {{-1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, {0.5, -0.8660254037844386, 0.0},
                    {0.0, 0.0, 1.0},  {0.5, 0.8660254037844386, 0.0}, {0.0, 0.0, 1.0}};
}

Params hexapod()
{
    Params p;
    p.types.assign(6, 1.0);
    p.head = {{160.697, -191.511, 500.0}, {160.697, 191.511, 500.0},   {85.505, 234.923, 500.0},
              {-246.202, 43.412, 500.0},  {-246.202, -43.412, 500.0}, {85.505, -234.923, 500.0}};
    p.base = {{393.923, -69.459, 0.0},   {393.923, 69.459, 0.0},    {-136.808, 375.877, 0.0},
              {-257.115, 306.418, 0.0},  {-257.115, -306.418, 0.0}, {-136.808, -375.877, 0.0}};
    hexapodAccelerometers(p);
    p.forceMax.assign(6, 20000.0);
    p.forceMin.assign(6, -15000.0);
    return p;
}

// 24 struts: base pivots every 15 degrees on a 600 mm ring, head pivots 45
// degrees ahead or behind on a smaller ring 500 mm up, so neighbours cross
// and the table is stiff in yaw as well. Three triaxial accelerometer groups
// and one more on the head. Push and pull limits differ per actuator.
Params redundant24()
{
    Params p;
    p.types.assign(24, 1.0);
    for (int i = 0; i < 24; ++i) {
        const double angle = 15.0 * i;
        p.base.push_back(onCircle(600.0, angle, 0.0));
        p.head.push_back(onCircle(i % 3 == 2 ? 300.0 : 380.0, angle + (i % 2 == 0 ? 45.0 : -45.0), 500.0));
        p.forceMax.push_back(20000.0 + 1000.0 * (i % 4));
        p.forceMin.push_back(-(12000.0 + 500.0 * (i % 3)));
    }
    const Vec groups[4] = {{250.0, 0.0, 500.0}, {-125.0, 216.5, 500.0}, {-125.0, -216.5, 500.0}, {0.0, 0.0, 560.0}};
    const Vec axes[3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    for (const Vec& at : groups)
        for (const Vec& along : axes) {
            p.accelAt.push_back(at);
            p.accelAlong.push_back(along);
        }
    return p;
}

// Six bell cranks under the hexapod's head pivots. Crank i turns in the
// vertical plane through base layout point i (400 mm ring, 120k -/+ 15
// degrees), its centre 250 mm up; the rod arm (100 mm) stands 70 degrees from
// the in-plane direction of the head pivot, well inside the crank's reach;
// the actuator arm (60 mm) is 80 degrees from the rod arm, and the actuator's
// base pivot 250 mm away, square to the actuator arm.
Params bellCrank()
{
    Params p;
    p.types.assign(6, 5.0);
    const Vec up = {0.0, 0.0, 1.0};
    for (int i = 0; i < 6; ++i) {
        const double k = 120.0 * (i / 2);
        const double baseAngle = k + (i % 2 == 0 ? -15.0 : 15.0);
        const Vec footing = onCircle(400.0, baseAngle, 0.0);
        const Vec head = onCircle(250.0, k + (i % 2 == 0 ? -45.0 : 45.0), 500.0);
        const Vec centre = add(footing, {0.0, 0.0, 250.0});
        const Vec inward = scale(-1.0, onCircle(1.0, baseAngle, 0.0));
        const Vec toHead = add(head, scale(-1.0, centre));
        const double hIn = dot(toHead, inward);
        const double hUp = dot(toHead, up);
        const Vec along = unit(add(scale(hIn, inward), scale(hUp, up)));
        const Vec across = unit(add(scale(hUp, inward), scale(-hIn, up)));
        const double b = 70.0 * kDeg;
        const Vec rodArm = add(scale(std::cos(b), along), scale(std::sin(b), across));
        const Vec side = add(scale(std::sin(b), along), scale(-std::cos(b), across));
        const double a = 80.0 * kDeg;
        const Vec actuatorArm = add(scale(std::cos(a), rodArm), scale(std::sin(a), side));
        const Vec square = add(scale(-std::sin(a), rodArm), scale(std::cos(a), side));
        const Vec actuatorEnd = add(centre, scale(60.0, actuatorArm));
        p.head.push_back(head);
        p.base.push_back(add(actuatorEnd, scale(250.0, square)));
        p.link[0].push_back(centre);
        p.link[1].push_back(actuatorEnd);
        p.link[2].push_back(add(centre, scale(100.0, rodArm)));
    }
    hexapodAccelerometers(p);
    p.forceMax.assign(6, 8000.0);
    p.forceMin.assign(6, -6000.0);
    return p;
}

// Per DOF: two (amplitude, harmonic) pairs; DOF forces: mean, amplitude, harmonic.
struct Wave {
    double a1, h1, a2, h2;
};
constexpr Wave kPoseWaves[6] = {{40.0, 1, 12.0, 3}, {35.0, 2, 10.0, 5}, {25.0, 1, 8.0, 4},
                                {4.0, 2, 1.5, 3},   {3.5, 1, 1.2, 5},   {6.0, 3, 2.0, 4}};
struct ForceWave {
    double mean, amplitude, harmonic;
};
constexpr ForceWave kForceWaves[6] = {{0.0, 800.0, 1},     {0.0, 700.0, 2},     {4000.0, 1500.0, 1},
                                      {0.0, 60000.0, 3},   {0.0, 50000.0, 2},   {0.0, 40000.0, 1}};

double motionScale(Table table) { return table == Table::BellCrank ? 0.25 : 1.0; }

}  // namespace

const char* tableName(Table table)
{
    switch (table) {
    case Table::Hexapod: return "hexapod";
    case Table::Redundant24: return "redundant24";
    case Table::BellCrank: return "bellcrank";
    }
    return "?";
}

std::vector<host::Array> blockParameters(BlockKind kind, const Setup& setup)
{
    switch (setup.table) {
    case Table::Hexapod: return dialogList(kind, setup, hexapod());
    case Table::Redundant24: return dialogList(kind, setup, redundant24());
    case Table::BellCrank: return dialogList(kind, setup, bellCrank());
    }
    return {};
}

std::vector<DofCommand> trajectory(Table table, int steps, double period)
{
    const double s = motionScale(table);
    const double w0 = 2.0 * kPi / period;
    std::vector<DofCommand> out(static_cast<size_t>(steps));
    for (int k = 0; k < steps; ++k) {
        const double t = period * k / steps;
        DofCommand& c = out[static_cast<size_t>(k)];
        for (int j = 0; j < 6; ++j) {
            const Wave& w = kPoseWaves[j];
            const double w1 = w.h1 * w0;
            const double w2 = w.h2 * w0;
            c.pose[j] = s * (w.a1 * std::sin(w1 * t) + w.a2 * std::sin(w2 * t));
            c.velocity[j] = s * (w.a1 * w1 * std::cos(w1 * t) + w.a2 * w2 * std::cos(w2 * t));
            c.acceleration[j] = -s * (w.a1 * w1 * w1 * std::sin(w1 * t) + w.a2 * w2 * w2 * std::sin(w2 * t));
            const ForceWave& f = kForceWaves[j];
            c.force[j] = f.mean + f.amplitude * std::sin(f.harmonic * w0 * t);
        }
    }
    return out;
}

}  // namespace benchtab
