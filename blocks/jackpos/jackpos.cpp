// Jackpos: actuator-space measurements (displacements, velocity sensors,
// accelerometers, force sensors) to the table's DOF signals (pose, velocity,
// acceleration, force), plus the actuator forces and the position Jacobian,
// one output step per sample of the inherited sample time.
//
// The block keeps its signal state in separately allocated cells owned by the
// work record; the output step copies the ports into the cells, computes on
// them and copies them out. The pose cells keep the last pose, the start of
// the next forward-kinematics solution.
#define S_FUNCTION_NAME Jackpos

#include <new>

#include "blocks/common/block_params.h"
#include "blocks/common/sfunction.h"
#include "blocks/common/signal_cells.h"
#include "kinematics/kinmodel.h"

namespace {

constexpr int NUM_INPUTS = 4;
constexpr int NUM_OUTPUTS = 6;
constexpr int NUM_DOF_OUTPUTS = 4;

// Port groups, in port order.
enum { DISPLACEMENTS = 0, RATES = 1, ACCEL_SIGNALS = 2, FORCE_SIGNALS = 3 };   // inputs
enum { POSE = 0, VELOCITY = 1, ACCELERATION = 2, FORCE = 3, ACTUATOR_FORCES = 4, JACOBIAN = 5 };  // outputs

struct JackposIvars {
    double* inputCells[NUM_INPUTS][MAX_ACTUATORS];
    double* dofCells[NUM_DOF_OUTPUTS][MAX_DOFS];
    double* actuatorForceCells[MAX_ACTUATORS];
    int32_t port1Width;
    KinModel* model;
};

void releaseIvars(JackposIvars* ivars)
{
    if (ivars == nullptr) return;
    releaseCells(ivars->inputCells);
    releaseCells(ivars->dofCells);
    releaseCells(ivars->actuatorForceCells);
    kinDestroy(ivars->model);
    delete ivars;
}

// The record with every cell at 0.0 and a fresh model, or null when memory
// runs out (whatever was allocated by then is released).
JackposIvars* createIvars()
{
    JackposIvars* ivars = new (std::nothrow) JackposIvars{};
    if (ivars == nullptr) return nullptr;
    bool complete = true;
    complete = allocateCells(ivars->inputCells) && complete;
    complete = allocateCells(ivars->dofCells) && complete;
    complete = allocateCells(ivars->actuatorForceCells) && complete;
    ivars->model = kinCreate();
    if (!complete || ivars->model == nullptr) {
        releaseIvars(ivars);
        return nullptr;
    }
    return ivars;
}

// One output step on the record's cells. The forward kinematics leaves the
// model's geometric state (and, in update mode, its Jacobian) at the pose it
// found; the sensor transforms after it read that state. Allocates nothing.
void actuatorToTable(JackposIvars* ivars)
{
    KinModel* model = ivars->model;
    const int n = model->numActuators;
    const int d = model->numDofs;
    const int a = model->numAccelerometers;
    const int nVel = model->numVelocitySensors;
    const int nForce = model->numForceSensors;
    const int nTrans = model->numTransDofs;
    const int nRot = model->numRotDofs;
    const int updateMode = model->jacobianUpdateMode;
    const bool eulerRates = model->rateType == 1;

    double displacement[MAX_ACTUATORS] = {};
    double rateInput[MAX_ACTUATORS] = {};
    double accelSignal[MAX_ACTUATORS] = {};
    double force[MAX_ACTUATORS] = {};
    double pose[MAX_DOFS] = {};
    for (int i = 0; i < n; ++i) displacement[i] = *ivars->inputCells[DISPLACEMENTS][i];
    for (int i = 0; i < ivars->port1Width; ++i) rateInput[i] = *ivars->inputCells[RATES][i];
    for (int j = 0; j < a; ++j) accelSignal[j] = *ivars->inputCells[ACCEL_SIGNALS][j];
    for (int i = 0; i < nForce; ++i) force[i] = *ivars->inputCells[FORCE_SIGNALS][i];
    for (int k = 0; k < d; ++k) pose[k] = *ivars->dofCells[POSE][k];

    if (n != 0) kinActuatorsToPose(model, displacement, pose);

    // bodyRate: the rotational rates as body angular rates (what the
    // accelerometer model needs); signalRate: the same rates in the form of
    // the DOF signals (Euler-angle rates when the rate type is 1).
    double velocity[MAX_DOFS] = {};
    double bodyRate[3] = {};
    double signalRate[3] = {};
    if (nVel != 0) {
        if (updateMode != 0) kinBuildDofVelocityMatrix(model);
        kinVelocitiesToDof(model, rateInput, velocity);
        for (int k = 0; k < nRot; ++k) bodyRate[k] = velocity[nTrans + k];
        if (eulerRates) {
            kinDofBodyToEulerRates(model, bodyRate, signalRate);
            for (int k = 0; k < nRot; ++k) velocity[nTrans + k] = signalRate[k];
        } else {
            for (int k = 0; k < nRot; ++k) signalRate[k] = bodyRate[k];
        }
    } else {
        for (int k = 0; k < nRot; ++k) signalRate[k] = bodyRate[k] = rateInput[k];
    }

    double acceleration[MAX_DOFS] = {};
    if (a != 0) {
        if (updateMode != 0) {
            if (eulerRates) kinDofEulerToBodyRates(model, signalRate, bodyRate);
            kinAccelCentripetal(model, bodyRate);
        }
        kinAccelsToDof(model, accelSignal, acceleration);
        if (eulerRates) {
            double eulerAcceleration[3] = {};
            kinDofBodyToEulerAccel(model, acceleration + nTrans, signalRate, eulerAcceleration);
            for (int k = 0; k < nRot; ++k) acceleration[nTrans + k] = eulerAcceleration[k];
        }
    }

    double dofForce[MAX_DOFS] = {};
    if (nForce != 0) {
        if (updateMode != 0) {
            // The Jacobian-transpose force matrix is built from the velocity
            // matrix, so that one follows the Jacobian of the new pose first.
            if (model->modeFlags[3] == 0) kinBuildVelocityMatrix(model);
            kinBuildForceMatrix(model);
        }
        kinForcesToDof(model, force, dofForce);
        // With as many DOFs as actuators the measured forces are already the
        // consistent set; otherwise they are replaced by the distribution of
        // the DOF forces they produce.
        if (d != n) {
            if (updateMode != 0 || model->asymmetricForceLimits == 1) kinBuildForceDistribution(model, force);
            kinDistributeForces(model, dofForce, force);
        }
    }

    for (int k = 0; k < d; ++k) {
        *ivars->dofCells[POSE][k] = pose[k];
        *ivars->dofCells[VELOCITY][k] = velocity[k];
        *ivars->dofCells[ACCELERATION][k] = acceleration[k];
        *ivars->dofCells[FORCE][k] = dofForce[k];
    }
    for (int i = 0; i < nForce; ++i) *ivars->actuatorForceCells[i] = force[i];
}

void mdlCheckParameters(SimStruct* S) { mdlCheckParametersFor(S, BlockKind::Jackpos); }

void mdlInitializeSizes(SimStruct* S)
{
    // A second initialisation of the same instance replaces the record.
    releaseUserData(S, releaseIvars);

    JackposIvars* ivars = createIvars();
    if (ivars == nullptr) {
        ssSetErrorStatus(S, "(mdlStart) Could not allocate ivars.");
        return;
    }
    ssSetUserData(S, ivars);

    ssSetNumSFcnParams(S, JACKPOS_NUM_PARAMS);
    if (ssGetSFcnParamsCount(S) != JACKPOS_NUM_PARAMS) return;
    mdlCheckParameters(S);
    if (ssGetErrorStatus(S) != nullptr) return;

    KinModel* model = ivars->model;
    loadBlockParameters(S, BlockKind::Jackpos, model);
    // Input 1 carries the velocity-sensor signals, or without velocity
    // sensors the table's rotational rates.
    ivars->port1Width = model->numVelocitySensors != 0 ? model->numVelocitySensors : model->numRotDofs;

    declareFixedParamsNoStates(S, JACKPOS_NUM_PARAMS);

    const int n = model->numActuators;
    const int d = model->numDofs;
    const int a = model->numAccelerometers;
    if (!ssSetNumInputPorts(S, NUM_INPUTS)) return;
    ssSetInputPortWidth(S, DISPLACEMENTS, n);
    ssSetInputPortWidth(S, RATES, ivars->port1Width != 0 ? ivars->port1Width : 1);
    ssSetInputPortWidth(S, ACCEL_SIGNALS, a != 0 ? a : 1);
    ssSetInputPortWidth(S, FORCE_SIGNALS, n);
    for (int k = 0; k < NUM_INPUTS; ++k) ssSetInputPortDirectFeedThrough(S, k, 1);

    if (!ssSetNumOutputPorts(S, NUM_OUTPUTS)) return;
    for (int k = 0; k < NUM_DOF_OUTPUTS; ++k) ssSetOutputPortWidth(S, k, d);
    ssSetOutputPortWidth(S, ACTUATOR_FORCES, n);
    ssSetOutputPortMatrixDimensions(S, JACOBIAN, n, d);

    declareSingleRateNoWork(S);
}

void mdlInitializeSampleTimes(SimStruct* S) { setInheritedSampleTime(S); }

void mdlOutputs(SimStruct* S, int_T tid)
{
    (void)tid;
    auto* ivars = static_cast<JackposIvars*>(ssGetUserData(S));
    if (ivars == nullptr) return;
    for (int k = 0; k < NUM_INPUTS; ++k) {
        InputRealPtrsType in = ssGetInputPortRealSignalPtrs(S, k);
        const int width = ssGetInputPortWidth(S, k);
        for (int j = 0; j < width && j < MAX_ACTUATORS; ++j) *ivars->inputCells[k][j] = *in[j];
    }

    actuatorToTable(ivars);

    const KinModel* model = ivars->model;
    for (int k = 0; k < NUM_DOF_OUTPUTS; ++k) {
        // Without accelerometers the DOF accelerations are not written.
        if (k == ACCELERATION && model->numAccelerometers == 0) continue;
        real_T* out = ssGetOutputPortRealSignal(S, k);
        const int width = ssGetOutputPortWidth(S, k);
        for (int j = 0; j < width && j < MAX_DOFS; ++j) out[j] = *ivars->dofCells[k][j];
    }
    real_T* forces = ssGetOutputPortRealSignal(S, ACTUATOR_FORCES);
    for (int i = 0; i < model->numActuators; ++i) forces[i] = *ivars->actuatorForceCells[i];

    // The Jacobian goes out column-major: actuator rows, DOF columns.
    const int n = model->numActuators;
    real_T* jacobian = ssGetOutputPortRealSignal(S, JACOBIAN);
    for (int j = 0; j < model->numDofs; ++j)
        for (int i = 0; i < n; ++i) jacobian[i + j * n] = model->jacobian[i][j];
}

void mdlTerminate(SimStruct* S)
{
    releaseUserData(S, releaseIvars);
}

}  // namespace

#include "blocks/common/sfunction_entry.h"
