// Accelerometer transforms: table DOF accelerations to the readings of the
// single-axis accelerometers fixed to the head, and back.
//
// The accelerometers sit in the table frame, the translational DOF
// accelerations are base-frame quantities, so the translational part is turned
// into the table frame with the attitude of the pose last evaluated. The
// vertical offset (gravity, typically) is carried on the z DOF: it is taken off
// before that rotation and put back afterwards, so only the tilt of the offset
// vector shows in the readings, never its size at a level table.

#include "kinematics/kinmodel.h"

namespace {

constexpr int kVerticalDof = 2;

// Rotates the translational part of a DOF vector in place with the attitude
// `rotation`. Forward (base to table frame) uses the rows of the rotation as
// stored, backward (table to base frame) its transpose. The offset on the
// vertical DOF is removed around the rotation, as described above.
void rotateTranslationalPart(const KinModel* model, double* dof, bool toTable)
{
    const int d = model->numDofs;
    const int nT = model->numTransDofs;
    const double g = model->verticalAccelOffset;

    for (int k = 0; k < d; ++k) {
        if (model->dofCodes[k] == kVerticalDof) {
            dof[k] -= g;
        }
    }

    double turned[3];
    for (int j = 0; j < nT; ++j) {
        const int codeJ = model->transDofCodes[j];
        double sum = 0.0;
        for (int i = 0; i < nT; ++i) {
            const int codeI = model->transDofCodes[i];
            const double q = toTable ? model->rotation[codeJ][codeI] : model->rotation[codeI][codeJ];
            sum += q * dof[i];
        }
        turned[j] = sum;
    }
    for (int j = 0; j < nT; ++j) {
        dof[j] = turned[j];
    }

    for (int k = 0; k < d; ++k) {
        if (model->dofCodes[k] == kVerticalDof) {
            dof[k] += g;
        }
    }
}

} // namespace

void kinBuildAccelMatrix(KinModel* model)
{
    // Rotational DOF columns hold r x e; they are scaled from the user's
    // rotational acceleration unit into the translational one.
    const double s = model->canonicalUnitsInv[2][0] * model->canonicalUnits[2][1];
    const int d = model->numDofs;

    for (int i = 0; i < model->numAccelerometers; ++i) {
        const double rx = model->accelLocations[0][i];
        const double ry = model->accelLocations[1][i];
        const double rz = model->accelLocations[2][i];
        const double ex = model->accelOrientations[0][i];
        const double ey = model->accelOrientations[1][i];
        const double ez = model->accelOrientations[2][i];

        const double row[6] = {
            ex, ey, ez,
            s * (ry * ez - rz * ey),
            s * (rz * ex - rx * ez),
            s * (rx * ey - ry * ex),
        };
        for (int k = 0; k < d; ++k) {
            model->accelMatrix[i][k] = row[model->dofCodes[k]];
        }
    }
}

void kinAccelCentripetal(KinModel* model, const double* bodyRates)
{
    double w[3] = {0.0, 0.0, 0.0};
    for (int j = 0; j < model->numRotDofs; ++j) {
        w[model->rotDofCodes[j] - 3] = bodyRates[j];
    }

    // Angular velocity in rad/s.
    const double u = model->canonicalUnits[1][1];
    const double o0 = u * w[0];
    const double o1 = u * w[1];
    const double o2 = u * w[2];

    // M = O O^T - |O|^2 I, so that M r = O x (O x r).
    const double m00 = -(o1 * o1 + o2 * o2);
    const double m11 = -(o0 * o0 + o2 * o2);
    const double m22 = -(o0 * o0 + o1 * o1);
    const double m01 = o0 * o1;
    const double m02 = o0 * o2;
    const double m12 = o1 * o2;

    const double toUser = model->canonicalUnitsInv[2][0];
    for (int i = 0; i < model->numAccelerometers; ++i) {
        const double rx = model->accelLocations[0][i];
        const double ry = model->accelLocations[1][i];
        const double rz = model->accelLocations[2][i];
        const double mx = m00 * rx + m01 * ry + m02 * rz;
        const double my = m01 * rx + m11 * ry + m12 * rz;
        const double mz = m02 * rx + m12 * ry + m22 * rz;
        const double along = model->accelOrientations[0][i] * mx + model->accelOrientations[1][i] * my +
                             model->accelOrientations[2][i] * mz;
        model->accelReference[i] = along * toUser;
    }
}

void kinDofToAccels(KinModel* model, const double* dofAccels, double* readings)
{
    const int d = model->numDofs;
    double v[MAX_DOFS];
    for (int k = 0; k < d; ++k) {
        v[k] = dofAccels[k];
    }
    rotateTranslationalPart(model, v, true);

    for (int l = 0; l < model->numAccelerometers; ++l) {
        double sum = model->accelReference[l];
        for (int k = 0; k < d; ++k) {
            sum += v[k] * model->accelMatrix[l][k];
        }
        readings[l] = sum;
    }
}

void kinAccelsToDof(KinModel* model, const double* readings, double* dofAccels)
{
    const int a = model->numAccelerometers;
    const int d = model->numDofs;

    // Remove the centripetal part and the readings of switched-off sensors.
    double motion[MAX_ACTUATORS];
    for (int j = 0; j < a; ++j) {
        motion[j] = (readings[j] - model->accelReference[j]) * static_cast<double>(model->sensorActive[2][j]);
    }

    double acc[MAX_DOFS];
    for (int k = 0; k < d; ++k) {
        double sum = 0.0;
        for (int j = 0; j < a; ++j) {
            sum += motion[j] * model->accelPinv[k][j];
        }
        acc[k] = sum;
    }
    rotateTranslationalPart(model, acc, false);

    for (int k = 0; k < d; ++k) {
        dofAccels[k] = acc[k];
    }
}
