// DOF range search: how far the table can move along one DOF alone, each way,
// before the first sensor value of one limit kind leaves its limits.
//
// The search is generic over the sensor map. From the zero DOF vector it steps
// outwards along one DOF with a step sized from the linearised map, until a
// probe lands outside the limits, then bisects the last step. The counts are
// fixed rather than tolerance-driven, so the results are reproducible.

#include "kinematics/kinmodel.h"

#include <cmath>

namespace {

constexpr double kStepFactor = 0.25;
constexpr int kMaxExpansions = 20;
constexpr int kBisections = 20;
constexpr double kMidpoint = 0.5;

// Strictly between the limits for every value; a NaN value is not outside.
bool insideLimits(const double* values, int count, const double* lower, const double* upper)
{
    for (int i = 0; i < count; ++i) {
        if (values[i] <= lower[i] || values[i] >= upper[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

void kinProbeDofLimit(KinModel* model, KinSensorMap map, double* probe, double direction, int count,
                      const double* lower, const double* upper, const double* steps, double* result)
{
    // The force map reads this buffer as the forces of its previous call, so
    // it is cleared once per DOF and carried over between the probes of a DOF.
    double values[MAX_ACTUATORS] = {};

    for (int k = 0; k < model->numDofs; ++k) {
        const double step = direction * steps[k];
        double inner = 0.0;
        double outer = inner + step;
        probe[k] = outer;

        for (int i = 0; i < model->numActuators; ++i) {
            values[i] = 0.0;
        }
        map(model, probe, values);

        bool bracketed = false;
        for (int extra = 0;; ++extra) {
            if (extra == kMaxExpansions) {
                // Whether still inside or first outside at this last probe,
                // the sweep gives up on this DOF.
                break;
            }
            if (!insideLimits(values, count, lower, upper)) {
                bracketed = true;
                break;
            }
            inner = outer;
            outer = outer + step;
            probe[k] = outer;
            map(model, probe, values);
        }

        if (bracketed) {
            for (int b = 0; b < kBisections; ++b) {
                const double mid = (outer + inner) * kMidpoint;
                probe[k] = mid;
                map(model, probe, values);
                if (insideLimits(values, count, lower, upper)) {
                    inner = mid;
                } else {
                    outer = mid;
                }
            }
            // The more positive end of the bracket: just outside going up,
            // just inside going down.
            result[k] = direction > 0.0 ? outer : inner;
        } else {
            result[k] = 0.0;
        }
        probe[k] = 0.0;
    }
}

void kinDofRanges(KinModel* model, KinSensorMap map, const double* sizing, int count, const double* lower,
                  const double* upper, double* dofMin, double* dofMax)
{
    const int d = model->numDofs;
    double steps[MAX_DOFS];
    for (int k = 0; k < d; ++k) {
        const double* row = sizing + k * MAX_ACTUATORS;
        double towardsUpper = 0.0;
        double towardsLower = 0.0;
        for (int i = 0; i < count; ++i) {
            towardsUpper += std::fabs(row[i]) * upper[i];
        }
        for (int i = 0; i < count; ++i) {
            towardsLower += std::fabs(row[i]) * lower[i];
        }
        steps[k] = kStepFactor * std::fmax(std::fabs(towardsUpper), std::fabs(towardsLower));
    }

    double probe[MAX_DOFS];
    for (double& p : probe) {
        p = 0.0;
    }
    kinProbeDofLimit(model, map, probe, 1.0, count, lower, upper, steps, dofMax);

    for (double& p : probe) {
        p = 0.0;
    }
    kinProbeDofLimit(model, map, probe, -1.0, count, lower, upper, steps, dofMin);
}
