// Forward kinematics: the table pose from measured actuator lengths, by a
// fixed number of Newton steps through the pseudo-inverse of the Jacobian.
//
// The length error of the first step is taken against poseLength, i.e. the
// lengths of the last pose this iteration (or preparation) evaluated; callers
// pass back the pose the previous call produced so that the two agree.
#include "kinematics/kinmodel.h"

void kinActuatorsToPose(KinModel* model, const double* displacements, double* pose)
{
    double target[MAX_ACTUATORS];
    for (int i = 0; i < model->numActuators; ++i) {
        target[i] = displacements[i] + model->referenceLength[i];
    }
    kinSolvePose(model, target, pose);
}

void kinSolvePose(KinModel* model, const double* lengths, double* pose)
{
    const int n = model->numActuators;
    const int d = model->numDofs;
    // The count is used as unsigned: a negative setting runs no step at all
    // rather than wrapping into billions of them.
    const int steps = model->iterationCounts[0] > 0 ? model->iterationCounts[0] : 0;
    for (int step = 0; step < steps; ++step) {
        double error[MAX_ACTUATORS];
        for (int i = 0; i < n; ++i) {
            error[i] = (lengths[i] - model->poseLength[i]) * static_cast<double>(model->sensorActive[0][i]);
        }
        double correction[MAX_DOFS];
        for (int k = 0; k < d; ++k) {
            double c = 0.0;
            for (int i = 0; i < n; ++i) {
                c += model->jacobianPinv[k][i] * error[i];
            }
            correction[k] = c;
        }
        for (int k = 0; k < d; ++k) {
            pose[k] += correction[k];
        }
        kinActuatorGeometry(model, pose, model->poseLength);
        if (model->jacobianUpdateMode != 0) {
            kinJacobian(model);
            kinPseudoInverse(&model->jacobian[0][0], static_cast<unsigned>(n), static_cast<unsigned>(d),
                             &model->jacobianPinv[0][0], nullptr, &model->work1[0][0], &model->work2[0][0],
                             &model->work3[0][0]);
        }
    }
}
