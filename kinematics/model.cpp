// Creation and configuration of the kinematic model record.
//
// The setters only store values; everything derived from them is computed by
// the preparation. Indices arriving from outside are kept inside the record:
// a write outside an array is dropped and a read outside one gives 0.0, so a
// wrong dialog value can never corrupt the neighbouring fields.
#include "kinematics/kinmodel.h"

#include <new>

namespace {

constexpr int kLimitKinds = 4;
constexpr int kPointSets = 7;

bool inRange(int value, int count) { return value >= 0 && value < count; }

int clampCount(int value, int capacity)
{
    if (value < 0) {
        return 0;
    }
    return value > capacity ? capacity : value;
}

bool hasPlaneContact(const KinModel* model)
{
    for (int i = 0; i < model->numActuators; ++i) {
        if (model->actuatorTypes[i] == 2 || model->actuatorTypes[i] == 3) {
            return true;
        }
    }
    return false;
}

// The limit array of a space (0 actuators, 1 DOFs), or null for any other
// space or an index outside that space.
template <typename Model>
auto limitCell(Model* model, bool maximum, int space, int kind, int index) -> decltype(&model->dofMax[0][0])
{
    if (!inRange(kind, kLimitKinds)) {
        return nullptr;
    }
    if (space == 0 && inRange(index, MAX_ACTUATORS)) {
        return maximum ? &model->actuatorMax[kind][index] : &model->actuatorMin[kind][index];
    }
    if (space == 1 && inRange(index, MAX_DOFS)) {
        return maximum ? &model->dofMax[kind][index] : &model->dofMin[kind][index];
    }
    return nullptr;
}

double limitValue(const KinModel* model, bool maximum, int space, int kind, int index)
{
    const double* cell = limitCell(model, maximum, space, kind, index);
    return cell != nullptr ? *cell : 0.0;
}

}  // namespace

KinModel* kinCreate()
{
    KinModel* model = new (std::nothrow) KinModel{};
    if (model == nullptr) {
        return nullptr;
    }
    model->jacobianUpdateMode = 1;
    for (auto& channelRow : model->sensorActive) {
        for (uint32_t& flag : channelRow) {
            flag = 1;
        }
    }
    model->rateType = 1;
    model->iterationCounts[0] = 1;
    for (int kind = 0; kind < kLimitKinds; ++kind) {
        model->canonicalUnits[kind][0] = 1.0;
        model->canonicalUnitsInv[kind][0] = 1.0;
    }
    return model;
}

void kinDestroy(KinModel* model) { delete model; }

void kinConfigure(KinModel* model, int n, const int32_t* types, int numVelocitySensors, int numAccelerometers,
                  int numForceSensors, int d, const int32_t* dofCodes)
{
    // Counts beyond the capacities would make every later loop run off the
    // arrays; they are cut to the capacities here.
    n = clampCount(n, MAX_ACTUATORS);
    d = clampCount(d, MAX_DOFS);
    model->numVelocitySensors = numVelocitySensors;
    model->numForceSensors = numForceSensors;
    model->numAccelerometers = clampCount(numAccelerometers, MAX_ACTUATORS);
    model->numActuators = n;
    model->numDofs = d;
    model->numTransDofs = 0;
    model->numRotDofs = 0;

    for (int i = 0; i < n; ++i) {
        model->actuatorTypes[i] = types[i];
    }
    // Flag 3 follows the actuator types: plane-contact actuators force it on.
    kinSetModeFlag(model, 3, model->modeFlags[3]);

    for (int k = 0; k < MAX_DOFS; ++k) {
        model->dofCodes[k] = k < d ? dofCodes[k] : 0;
        model->transDofCodes[k] = 0;
        model->rotDofCodes[k] = 0;
    }
    // Split the DOF list by kind, keeping DOF order. At most three of a kind
    // are counted; a fourth one lands in slot 3 and is not counted.
    for (int k = 0; k < d; ++k) {
        const int32_t code = model->dofCodes[k];
        if (code <= 2) {
            model->transDofCodes[model->numTransDofs] = code;
            if (++model->numTransDofs > 3) {
                model->numTransDofs = 3;
            }
        } else {
            model->rotDofCodes[model->numRotDofs] = code;
            if (++model->numRotDofs > 3) {
                model->numRotDofs = 3;
            }
        }
    }

    for (auto& channelRow : model->sensorActive) {
        for (uint32_t& flag : channelRow) {
            flag = 1;
        }
    }
}

void kinSetJacobianUpdateMode(KinModel* model, int value) { model->jacobianUpdateMode = value; }

void kinSetRateType(KinModel* model, int value) { model->rateType = value; }

void kinSetIterationCount(KinModel* model, int index, int value)
{
    if (inRange(index, 4)) {
        model->iterationCounts[index] = value;
    }
}

void kinSetVerticalAccelOffset(KinModel* model, double value) { model->verticalAccelOffset = value; }

void kinSetCanonicalUnit(KinModel* model, int kind, int column, double value)
{
    if (!inRange(kind, kLimitKinds) || !inRange(column, 2)) {
        return;
    }
    model->canonicalUnits[kind][column] = value;
    model->canonicalUnitsInv[kind][column] = 1.0 / value;
}

void kinSetCoordinateSystem(KinModel* model, int index, double value)
{
    if (inRange(index, 6)) {
        model->coordinateSystem[index] = value;
    }
}

void kinSetPoint(KinModel* model, int set, int component, int index, double value)
{
    if (!inRange(set, kPointSets) || !inRange(component, 3) || !inRange(index, MAX_ACTUATORS)) {
        return;
    }
    switch (set) {
    case 0: model->headPivots[component][index] = value; break;
    case 1: model->basePivots[component][index] = value; break;
    case 2:
    case 3:
    case 4: model->linkPivots[set - 2][component][index] = value; break;
    case 5: model->accelLocations[component][index] = value; break;
    default: model->accelOrientations[component][index] = value; break;
    }
}

void kinSetMaximum(KinModel* model, int space, int kind, int index, double value)
{
    if (double* cell = limitCell(model, true, space, kind, index)) {
        *cell = value;
    }
}

void kinSetMinimum(KinModel* model, int space, int kind, int index, double value)
{
    if (double* cell = limitCell(model, false, space, kind, index)) {
        *cell = value;
    }
}

double kinGetMaximum(const KinModel* model, int space, int kind, int index)
{
    return limitValue(model, true, space, kind, index);
}

double kinGetMinimum(const KinModel* model, int space, int kind, int index)
{
    return limitValue(model, false, space, kind, index);
}

void kinSetModeFlag(KinModel* model, int index, int value)
{
    if (inRange(index, 3)) {
        model->modeFlags[index] = value;
    } else if (index == 3) {
        model->modeFlags[3] = (value != 0) ? value : (hasPlaneContact(model) ? 1 : 0);
    }
}
