// Posjack: table DOF commands (pose, velocity, acceleration, force) to
// actuator commands (displacements, velocities, accelerometer signals,
// forces), one output step per sample of the inherited sample time.
//
// The block keeps its signal state in separately allocated cells owned by the
// work record; the output step copies the ports into the cells, computes on
// them and copies them out. The actuator force cells carry the previous
// step's forces, from which the force distribution of the next step starts.
#define S_FUNCTION_NAME Posjack

#include <new>

#include "blocks/common/block_params.h"
#include "blocks/common/sfunction.h"
#include "blocks/common/signal_cells.h"
#include "kinematics/kinmodel.h"

namespace {

constexpr int NUM_INPUTS = 4;
constexpr int NUM_OUTPUTS = 4;

// Port groups, in port order.
enum { POSE = 0, VELOCITY = 1, ACCELERATION = 2, FORCE = 3 };                           // inputs
enum { DISPLACEMENTS = 0, ACTUATOR_VELOCITIES = 1, ACCEL_SIGNALS = 2, ACTUATOR_FORCES = 3 };  // outputs

struct PosjackIvars {
    double* dofCells[NUM_INPUTS][MAX_DOFS];
    double* actuatorCells[NUM_OUTPUTS][MAX_ACTUATORS];
    KinModel* model;
};

void releaseIvars(PosjackIvars* ivars)
{
    if (ivars == nullptr) return;
    releaseCells(ivars->dofCells);
    releaseCells(ivars->actuatorCells);
    kinDestroy(ivars->model);
    delete ivars;
}

// The record with every cell at 0.0 and a fresh model, or null when memory
// runs out (whatever was allocated by then is released).
PosjackIvars* createIvars()
{
    PosjackIvars* ivars = new (std::nothrow) PosjackIvars{};
    if (ivars == nullptr) return nullptr;
    bool complete = true;
    complete = allocateCells(ivars->dofCells) && complete;
    complete = allocateCells(ivars->actuatorCells) && complete;
    ivars->model = kinCreate();
    if (!complete || ivars->model == nullptr) {
        releaseIvars(ivars);
        return nullptr;
    }
    return ivars;
}

// One output step on the record's cells: inverse kinematics of the pose
// command, then the velocity, acceleration and force commands mapped through
// the model's matrices (refreshed at the commanded pose when the Jacobian
// update mode is nonzero). Allocates nothing.
void tableToActuator(PosjackIvars* ivars)
{
    KinModel* model = ivars->model;
    const int n = model->numActuators;
    const int d = model->numDofs;
    const int a = model->numAccelerometers;
    const int nVel = model->numVelocitySensors;
    const int nForce = model->numForceSensors;
    const int nTrans = model->numTransDofs;
    const int updateMode = model->jacobianUpdateMode;
    const bool eulerRates = model->rateType == 1;

    double pose[MAX_DOFS] = {};
    double velocity[MAX_DOFS] = {};
    double acceleration[MAX_DOFS] = {};
    double dofForce[MAX_DOFS] = {};
    for (int k = 0; k < d; ++k) {
        pose[k] = *ivars->dofCells[POSE][k];
        velocity[k] = *ivars->dofCells[VELOCITY][k];
        acceleration[k] = *ivars->dofCells[ACCELERATION][k];
        dofForce[k] = *ivars->dofCells[FORCE][k];
    }
    double actuatorForce[MAX_ACTUATORS] = {};
    for (int i = 0; i < nForce; ++i) actuatorForce[i] = *ivars->actuatorCells[ACTUATOR_FORCES][i];

    // Inverse kinematics; this also leaves the model's geometric state
    // (attitude, force lines) at the commanded pose for everything below.
    double displacement[MAX_ACTUATORS] = {};
    kinActuatorDisplacements(model, pose, displacement);

    // The velocity matrix takes body angular rates; eulerRate keeps the
    // commanded Euler-angle rates for the acceleration conversion.
    double* rotVelocity = velocity + nTrans;
    double eulerRate[3] = {};
    double bodyRate[3] = {};
    for (int k = 0; k < model->numRotDofs; ++k) eulerRate[k] = rotVelocity[k];
    if (eulerRates) {
        kinDofEulerToBodyRates(model, eulerRate, bodyRate);
        for (int k = 0; k < model->numRotDofs; ++k) rotVelocity[k] = bodyRate[k];
    } else {
        for (int k = 0; k < model->numRotDofs; ++k) bodyRate[k] = eulerRate[k];
    }

    double actuatorVelocity[MAX_ACTUATORS] = {};
    if (nVel != 0) {
        if (updateMode != 0) {
            kinJacobian(model);
            kinBuildVelocityMatrix(model);
        }
        kinDofToActuatorVelocities(model, velocity, actuatorVelocity);
    }

    double accelSignal[MAX_ACTUATORS] = {};
    if (a != 0) {
        if (updateMode != 0) {
            if (eulerRates) {
                double* rotAcceleration = acceleration + nTrans;
                double bodyAcceleration[3] = {};
                kinDofEulerToBodyAccel(model, rotAcceleration, eulerRate, bodyAcceleration);
                for (int k = 0; k < model->numRotDofs; ++k) rotAcceleration[k] = bodyAcceleration[k];
            }
            kinAccelCentripetal(model, bodyRate);
        }
        kinDofToAccels(model, acceleration, accelSignal);
    }

    if (nForce != 0) {
        if (updateMode != 0) {
            // The Jacobian-transpose force matrix is built from the velocity
            // matrix; without velocity sensors nothing above refreshed it at
            // the commanded pose, so it would still describe the zero pose.
            if (model->modeFlags[3] == 0 && nVel == 0) {
                kinJacobian(model);
                kinBuildVelocityMatrix(model);
            }
            kinBuildForceMatrix(model);
            kinBuildForceDistribution(model, actuatorForce);
        } else if (model->asymmetricForceLimits == 1) {
            kinBuildForceDistribution(model, actuatorForce);
        }
        kinDistributeForces(model, dofForce, actuatorForce);
    }

    for (int i = 0; i < n; ++i) {
        *ivars->actuatorCells[DISPLACEMENTS][i] = displacement[i];
        *ivars->actuatorCells[ACTUATOR_VELOCITIES][i] = actuatorVelocity[i];
        *ivars->actuatorCells[ACTUATOR_FORCES][i] = actuatorForce[i];
    }
    for (int j = 0; j < a; ++j) *ivars->actuatorCells[ACCEL_SIGNALS][j] = accelSignal[j];
}

void mdlCheckParameters(SimStruct* S) { mdlCheckParametersFor(S, BlockKind::Posjack); }

void mdlInitializeSizes(SimStruct* S)
{
    // A second initialisation of the same instance replaces the record.
    releaseUserData(S, releaseIvars);

    PosjackIvars* ivars = createIvars();
    if (ivars == nullptr) {
        ssSetErrorStatus(S, "(mdlStart) Could not allocate ivars.");
        return;
    }
    ssSetUserData(S, ivars);

    ssSetNumSFcnParams(S, POSJACK_NUM_PARAMS);
    if (ssGetSFcnParamsCount(S) != POSJACK_NUM_PARAMS) return;
    mdlCheckParameters(S);
    if (ssGetErrorStatus(S) != nullptr) return;

    // Prepared at the pose held by the pose command cells, all zero here.
    KinModel* model = ivars->model;
    configureBlockModel(S, BlockKind::Posjack, model);
    double pose[MAX_DOFS] = {};
    for (int k = 0; k < model->numDofs; ++k) pose[k] = *ivars->dofCells[POSE][k];
    kinPrepare(model, pose);

    declareFixedParamsNoStates(S, POSJACK_NUM_PARAMS);

    const int n = model->numActuators;
    const int d = model->numDofs;
    const int a = model->numAccelerometers;
    if (!ssSetNumInputPorts(S, NUM_INPUTS)) return;
    for (int k = 0; k < NUM_INPUTS; ++k) {
        ssSetInputPortWidth(S, k, d);
        ssSetInputPortDirectFeedThrough(S, k, 1);
    }
    if (!ssSetNumOutputPorts(S, NUM_OUTPUTS)) return;
    ssSetOutputPortWidth(S, DISPLACEMENTS, n);
    ssSetOutputPortWidth(S, ACTUATOR_VELOCITIES, n);
    ssSetOutputPortWidth(S, ACCEL_SIGNALS, a != 0 ? a : 1);
    ssSetOutputPortWidth(S, ACTUATOR_FORCES, n);

    declareSingleRateNoWork(S);
}

void mdlInitializeSampleTimes(SimStruct* S) { setInheritedSampleTime(S); }

void mdlOutputs(SimStruct* S, int_T tid)
{
    (void)tid;
    auto* ivars = static_cast<PosjackIvars*>(ssGetUserData(S));
    if (ivars == nullptr) return;
    for (int k = 0; k < NUM_INPUTS; ++k) {
        InputRealPtrsType in = ssGetInputPortRealSignalPtrs(S, k);
        const int width = ssGetInputPortWidth(S, k);
        for (int j = 0; j < width && j < MAX_DOFS; ++j) *ivars->dofCells[k][j] = *in[j];
    }

    tableToActuator(ivars);

    for (int k = 0; k < NUM_OUTPUTS; ++k) {
        // Without accelerometers output 2 is a placeholder of width 1 and is
        // left as it is.
        if (k == ACCEL_SIGNALS && ivars->model->numAccelerometers == 0) continue;
        real_T* out = ssGetOutputPortRealSignal(S, k);
        const int width = ssGetOutputPortWidth(S, k);
        for (int j = 0; j < width && j < MAX_ACTUATORS; ++j) out[j] = *ivars->actuatorCells[k][j];
    }
}

void mdlTerminate(SimStruct* S)
{
    releaseUserData(S, releaseIvars);
}

}  // namespace

#include "blocks/common/sfunction_entry.h"
