// Model preparation: from a configured model to one the per-step operations
// can use. The point sets go into the kinematic frame, the per-type constants
// and force weights are derived, the zero pose becomes the reference of all
// displacements, the matrices are built at the zero pose and the reachable DOF
// ranges are searched. The order is fixed: each geometric evaluation leaves the
// model at the pose it was given, and what follows reads that state.

#include "kinematics/kinmodel.h"

namespace {

// Per-actuator force weights for the distribution: the capacity relative to
// the strongest actuator. Only meaningful when the distribution has a choice
// (force sensors and n != d). A zero tension capacity is replaced by a tiny
// one so that the re-weighting never hands an actuator a zero weight.
void prepareForceWeights(KinModel* model)
{
    const int n = model->numActuators;
    if (model->numForceSensors != 0 && model->numDofs != n) {
        double largest = 0.0;
        bool symmetric = true;
        for (int i = 0; i < n; ++i) {
            const double maxForce = model->actuatorMax[3][i];
            if (maxForce > largest) {
                largest = maxForce;
            }
            if (model->actuatorMin[3][i] == 0.0) {
                model->actuatorMin[3][i] = -1e-6 * maxForce;
            }
            if (!(-model->actuatorMin[3][i] == maxForce)) {
                symmetric = false;
            }
        }
        const double scale = largest > 0.0 ? 1.0 / largest : 1.0;
        for (int i = 0; i < n; ++i) {
            model->forceWeight[i] = scale * model->actuatorMax[3][i];
        }
        model->asymmetricForceLimits = symmetric ? 0 : 1;
    } else {
        for (int i = 0; i < n; ++i) {
            model->forceWeight[i] = 1.0;
        }
        model->asymmetricForceLimits = 0;
    }
}

// Central-difference steps of the Jacobian: a thousandth of the largest stroke
// and 0.001 rad expressed in the user's angle unit.
void prepareDifferenceSteps(KinModel* model)
{
    double largest = 0.0;
    for (int i = 0; i < model->numActuators; ++i) {
        if (model->actuatorMax[0][i] > largest) {
            largest = model->actuatorMax[0][i];
        }
    }
    model->positionStep = 0.001 * largest;
    model->angleStep = 0.001 * model->canonicalUnitsInv[0][1];
}

void pseudoInverseInto(KinModel* model, const double (*a)[MAX_ACTUATORS], int rows, int columns,
                       double (*out)[MAX_ACTUATORS])
{
    kinPseudoInverse(&a[0][0], static_cast<unsigned>(rows), static_cast<unsigned>(columns), &out[0][0], nullptr,
                     &model->work1[0][0], &model->work2[0][0], &model->work3[0][0]);
}

void prepareDofRanges(KinModel* model, const double* zeroPose)
{
    const int n = model->numActuators;
    const int a = model->numAccelerometers;

    kinDofRanges(model, kinActuatorDisplacements, &model->jacobianPinv[0][0], n, model->actuatorMin[0],
                 model->actuatorMax[0], model->dofMin[0], model->dofMax[0]);
    // The displacement map moved the geometry; the remaining maps read the
    // zero-pose state.
    kinActuatorGeometry(model, zeroPose, model->referenceLength);

    kinDofRanges(model, kinDofToActuatorVelocities, &model->velocityDofMatrix[0][0], n, model->actuatorMin[1],
                 model->actuatorMax[1], model->dofMin[1], model->dofMax[1]);

    if (a != 0) {
        kinDofRanges(model, kinDofToAccels, &model->accelPinv[0][0], a, model->actuatorMin[2],
                     model->actuatorMax[2], model->dofMin[2], model->dofMax[2]);
    }

    if (model->numForceSensors != 0) {
        // Two re-weighting passes per probe keep the search affordable; the
        // search leaves the weights of its last probe behind, so the
        // distribution is rebuilt from the plain capacities afterwards.
        const int32_t savedPasses = model->iterationCounts[3];
        model->iterationCounts[3] = 2;
        kinDofRanges(model, kinDofToActuatorForces, &model->forceMatrix[0][0], n, model->actuatorMin[3],
                     model->actuatorMax[3], model->dofMin[3], model->dofMax[3]);
        kinBuildForceDistribution(model, nullptr);
        model->iterationCounts[3] = savedPasses;
    }
}

} // namespace

void kinPrepare(KinModel* model, const double* pose)
{
    const double zeroPose[MAX_DOFS] = {};
    const double zeroRates[MAX_DOFS] = {};

    kinTransformPointSets(model);
    kinPrepareActuatorConstants(model);
    prepareForceWeights(model);
    prepareDifferenceSteps(model);

    kinActuatorGeometry(model, zeroPose, model->referenceLength);
    kinActuatorGeometry(model, zeroPose, model->poseLength);

    kinJacobian(model);
    pseudoInverseInto(model, model->jacobian, model->numActuators, model->numDofs, model->jacobianPinv);

    kinBuildVelocityMatrix(model);
    kinBuildDofVelocityMatrix(model);

    if (model->numAccelerometers != 0) {
        kinBuildAccelMatrix(model);
        pseudoInverseInto(model, model->accelMatrix, model->numAccelerometers, model->numDofs, model->accelPinv);
        kinAccelCentripetal(model, zeroRates);
    }

    if (model->numForceSensors != 0) {
        kinBuildForceMatrix(model);
        kinBuildForceDistribution(model, nullptr);
    }

    prepareDofRanges(model, zeroPose);

    kinActuatorGeometry(model, pose, model->poseLength);
}
