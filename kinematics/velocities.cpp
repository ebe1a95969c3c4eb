// Velocity transforms: table DOF velocities to actuator velocities and
// velocity-sensor readings back to DOF velocities.
//
// Both matrices start from the position Jacobian (or its pseudo-inverse) of
// the pose last evaluated. Two things change on the way: the rotational part is
// rescaled from displacement units (per user angle) to velocity units, and the
// Jacobian's derivatives by Euler angles are turned into derivatives by body
// angular velocity components, so the rotational DOF velocities of these maps
// are body rates (the rate conversion turns them into Euler rates where wanted).
// DOF positions 0..nT-1 are translational, nT..d-1 rotational.

#include "kinematics/kinmodel.h"

namespace {

typedef void (*RateConversion)(const KinModel* model, const double* in, double* out);

// The block of an Euler-rate matrix (E or its inverse, at the stored attitude)
// that belongs to the model's rotational DOFs: selected[k][j] is the effect of
// rotational DOF j on rotational DOF k. The matrix and the choice of rows and
// columns live in the rate conversions; column j is the conversion of a unit
// rate on DOF j (the axes not in use are zero there and add nothing).
void selectedRateMatrix(const KinModel* model, RateConversion convert, double selected[3][3])
{
    const int nR = model->numRotDofs;
    for (int j = 0; j < nR; ++j) {
        double unit[3] = {0.0, 0.0, 0.0};
        double converted[3];
        unit[j] = 1.0;
        convert(model, unit, converted);
        for (int k = 0; k < nR; ++k) {
            selected[k][j] = converted[k];
        }
    }
}

// The rotational part of every row of an n x d matrix times sel, each row
// as it was before: row[nT + j] = Σ_k row[nT + k]·sel[k][j], summed in
// increasing k from 0.0. NR (the number of rotational DOFs) is fixed so the
// loops unroll.
template <int NR>
void rotateRows(double (&m)[MAX_ACTUATORS][MAX_ACTUATORS], int n, int nT, const double (&sel)[3][3])
{
    for (int i = 0; i < n; ++i) {
        double row[NR];
        for (int k = 0; k < NR; ++k) {
            row[k] = m[i][nT + k];
        }
        for (int j = 0; j < NR; ++j) {
            double sum = 0.0;
            for (int k = 0; k < NR; ++k) {
                sum += row[k] * sel[k][j];
            }
            m[i][nT + j] = sum;
        }
    }
}

// The same for the rotational part of every column of a d x n matrix, from
// the left: column[nT + j] = Σ_k sel[j][k]·column[nT + k].
template <int NR>
void rotateColumns(double (&m)[MAX_ACTUATORS][MAX_ACTUATORS], int n, int nT, const double (&sel)[3][3])
{
    for (int i = 0; i < n; ++i) {
        double column[NR];
        for (int k = 0; k < NR; ++k) {
            column[k] = m[nT + k][i];
        }
        for (int j = 0; j < NR; ++j) {
            double sum = 0.0;
            for (int k = 0; k < NR; ++k) {
                sum += sel[j][k] * column[k];
            }
            m[nT + j][i] = sum;
        }
    }
}

} // namespace

void kinBuildVelocityMatrix(KinModel* model)
{
    const double(*U)[2] = model->canonicalUnits;
    const double(*R)[2] = model->canonicalUnitsInv;
    const int n = model->numActuators;
    const int d = model->numDofs;
    const int nT = model->numTransDofs;
    const int nR = model->numRotDofs;

    // U[0][0]*U[1][1] / (U[0][1]*U[1][0]): per user angle -> per user angular velocity unit.
    const double s = R[1][0] * U[1][1] * (R[0][1] * U[0][0]);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < nT; ++k) {
            model->velocityMatrix[i][k] = model->jacobian[i][k];
        }
        for (int k = nT; k < d; ++k) {
            model->velocityMatrix[i][k] = model->jacobian[i][k] * s;
        }
    }

    // Euler rates = E * body rates, so dL/d(body) = dL/d(Euler) * E.
    double sel[3][3];
    selectedRateMatrix(model, kinDofBodyToEulerRates, sel);

    switch (nR) {
    case 1: rotateRows<1>(model->velocityMatrix, n, nT, sel); break;
    case 2: rotateRows<2>(model->velocityMatrix, n, nT, sel); break;
    case 3: rotateRows<3>(model->velocityMatrix, n, nT, sel); break;
    default: break;
    }
}

void kinBuildDofVelocityMatrix(KinModel* model)
{
    const double(*U)[2] = model->canonicalUnits;
    const double(*R)[2] = model->canonicalUnitsInv;
    const int n = model->numActuators;
    const int d = model->numDofs;
    const int nT = model->numTransDofs;
    const int nR = model->numRotDofs;

    // U[1][0]*U[0][1] / (U[1][1]*U[0][0]): the reciprocal of the forward scale.
    const double s = R[1][1] * U[1][0] * (R[0][0] * U[0][1]);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < nT; ++k) {
            model->velocityDofMatrix[k][i] = model->jacobianPinv[k][i];
        }
        for (int k = nT; k < d; ++k) {
            model->velocityDofMatrix[k][i] = model->jacobianPinv[k][i] * s;
        }
    }

    // The pseudo-inverse yields Euler rates; body rates = E^-1 * Euler rates.
    double sel[3][3];
    selectedRateMatrix(model, kinDofEulerToBodyRates, sel);

    switch (nR) {
    case 1: rotateColumns<1>(model->velocityDofMatrix, n, nT, sel); break;
    case 2: rotateColumns<2>(model->velocityDofMatrix, n, nT, sel); break;
    case 3: rotateColumns<3>(model->velocityDofMatrix, n, nT, sel); break;
    default: break;
    }
}

void kinDofToActuatorVelocities(KinModel* model, const double* dofVelocities, double* actuatorVelocities)
{
    const int d = model->numDofs;
    for (int i = 0; i < model->numActuators; ++i) {
        double sum = 0.0;
        for (int k = 0; k < d; ++k) {
            sum += dofVelocities[k] * model->velocityMatrix[i][k];
        }
        actuatorVelocities[i] = sum;
    }
}

void kinVelocitiesToDof(KinModel* model, const double* readings, double* dofVelocities)
{
    const int n = model->numActuators;
    double measured[MAX_ACTUATORS];
    for (int i = 0; i < n; ++i) {
        measured[i] = readings[i] * static_cast<double>(model->sensorActive[1][i]);
    }
    for (int k = 0; k < model->numDofs; ++k) {
        double sum = 0.0;
        for (int i = 0; i < n; ++i) {
            sum += measured[i] * model->velocityDofMatrix[k][i];
        }
        dofVelocities[k] = sum;
    }
}
