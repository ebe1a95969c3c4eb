// Force transforms between the n actuator forces and the d generalised DOF
// forces (forces along x, y, z in the base frame, moments about the table
// axes).
//
// Actuator forces to DOF forces is the matrix G (d x n). The way back is not
// unique with more actuators than DOFs; the distribution D (n x d) is the
// weighted minimum-norm right inverse of G, each actuator weighted by its force
// capacity so that stronger actuators take more of the load. When the capacity
// in tension differs from the one in compression the weight follows the sign
// of the force the actuator carries, and the distribution is refined by a few
// re-weighting passes.

#include "kinematics/kinmodel.h"

namespace {

bool carriesTransmission(int32_t type)
{
    return type == 1 || type == 4;
}

// f . a: actuator force per unit of force along the force line, for the
// actuators (slider, crank) whose stroke is not along that line.
double lineToStroke(const KinModel* model, int i)
{
    return model->forceDirection[0][i] * model->transmission[0][i] +
           model->forceDirection[1][i] * model->transmission[1][i] +
           model->forceDirection[2][i] * model->transmission[2][i];
}

// Force-line form: each actuator pushes along its force line f through p; the
// force part is f in the base frame, the moment part p x f stays in table axes.
void buildFromForceLines(KinModel* model)
{
    const int n = model->numActuators;
    const int d = model->numDofs;
    const double(*Q)[3] = model->rotation;
    const double s = model->canonicalUnitsInv[3][1] * model->canonicalUnits[3][0];

    for (int i = 0; i < n; ++i) {
        const double fx = model->forceDirection[0][i];
        const double fy = model->forceDirection[1][i];
        const double fz = model->forceDirection[2][i];
        const double px = model->forcePoint[0][i];
        const double py = model->forcePoint[1][i];
        const double pz = model->forcePoint[2][i];

        double column[6];
        for (int j = 0; j < 3; ++j) {
            column[j] = Q[0][j] * fx + Q[1][j] * fy + Q[2][j] * fz;
        }
        column[3] = s * (py * fz - pz * fy);
        column[4] = s * (pz * fx - px * fz);
        column[5] = s * (px * fy - py * fx);

        for (int k = 0; k < d; ++k) {
            model->forceMatrix[k][i] = column[model->dofCodes[k]];
        }
        if (carriesTransmission(model->actuatorTypes[i]) && model->actuatorFlags[i] == 0) {
            const double c = 1.0 / lineToStroke(model, i);
            for (int k = 0; k < d; ++k) {
                model->forceMatrix[k][i] = c * model->forceMatrix[k][i];
            }
        }
    }
}

// Jacobian-transpose form (virtual work): G = V^T with the rotational rows
// rescaled from velocity to force units.
void buildFromVelocityMatrix(KinModel* model)
{
    const int n = model->numActuators;
    const int d = model->numDofs;
    const int nT = model->numTransDofs;
    const double s = model->canonicalUnitsInv[0][1] * model->canonicalUnits[1][0] * model->canonicalUnitsInv[3][1];

    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < nT; ++k) {
            model->forceMatrix[k][i] = model->velocityMatrix[i][k];
        }
        for (int k = nT; k < d; ++k) {
            model->forceMatrix[k][i] = model->velocityMatrix[i][k] * s;
        }
        if (carriesTransmission(model->actuatorTypes[i]) && model->actuatorFlags[i] == 1) {
            const double c = lineToStroke(model, i);
            for (int k = 0; k < d; ++k) {
                model->forceMatrix[k][i] = c * model->forceMatrix[k][i];
            }
        }
    }
}

// force = D * dof, for every actuator.
void applyDistribution(const KinModel* model, const double* dofForces, double* actuatorForces)
{
    const int d = model->numDofs;
    for (int i = 0; i < model->numActuators; ++i) {
        double sum = 0.0;
        for (int k = 0; k < d; ++k) {
            sum += model->forceDistMatrix[i][k] * dofForces[k];
        }
        actuatorForces[i] = sum;
    }
}

} // namespace

void kinBuildForceMatrix(KinModel* model)
{
    if (model->modeFlags[3] != 0) {
        buildFromForceLines(model);
    } else {
        buildFromVelocityMatrix(model);
    }
}

void kinBuildForceDistribution(KinModel* model, const double* forces)
{
    const int n = model->numActuators;
    if (model->asymmetricForceLimits == 1) {
        double largest = 0.0;
        for (int i = 0; i < n; ++i) {
            // A NaN force takes the compression capacity, like a push.
            const bool pulling = forces != nullptr && forces[i] < 0.0;
            const double w = pulling ? -model->actuatorMin[3][i] : model->actuatorMax[3][i];
            model->forceWeight[i] = w;
            if (w > largest) {
                largest = w;
            }
        }
        const double scale = largest > 0.0 ? 1.0 / largest : 1.0;
        for (int i = 0; i < n; ++i) {
            model->forceWeight[i] *= scale;
        }
    }

    kinPseudoInverse(&model->forceMatrix[0][0], static_cast<unsigned>(model->numDofs), static_cast<unsigned>(n),
                     &model->forceDistMatrix[0][0], model->forceWeight, &model->work1[0][0], &model->work2[0][0],
                     &model->work3[0][0]);
}

void kinForcesToDof(KinModel* model, const double* readings, double* dofForces)
{
    const int n = model->numActuators;
    double measured[MAX_ACTUATORS];
    for (int i = 0; i < n; ++i) {
        measured[i] = readings[i] * static_cast<double>(model->sensorActive[3][i]);
    }
    for (int k = 0; k < model->numDofs; ++k) {
        double sum = 0.0;
        for (int i = 0; i < n; ++i) {
            sum += measured[i] * model->forceMatrix[k][i];
        }
        dofForces[k] = sum;
    }
}

void kinDistributeForces(KinModel* model, const double* dofForces, double* actuatorForces)
{
    if (model->asymmetricForceLimits == 1) {
        // Each pass re-weights every actuator by the capacity on the side of
        // the force the previous distribution gave it.
        const int passes = model->iterationCounts[3];
        for (int pass = 0; pass < passes; ++pass) {
            applyDistribution(model, dofForces, actuatorForces);
            kinBuildForceDistribution(model, actuatorForces);
        }
    }
    applyDistribution(model, dofForces, actuatorForces);
}

void kinDofToActuatorForces(KinModel* model, const double* dofForces, double* actuatorForces)
{
    // Start from the weights of the forces of the previous call.
    if (model->asymmetricForceLimits == 1) {
        kinBuildForceDistribution(model, actuatorForces);
    }
    kinDistributeForces(model, dofForces, actuatorForces);
}
