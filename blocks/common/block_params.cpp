#include "blocks/common/block_params.h"

#include <cstddef>
#include <cstdint>

namespace {

// What the checks and the loader need to know about one dialog parameter,
// taken once through the host's array queries. A missing parameter reads as
// an empty array.
struct ParamArray {
    const double* data = nullptr;
    size_t count = 0;   // number of elements
    size_t rows = 0;    // first dimension
    size_t cols = 0;    // product of all dimensions after the first
    size_t ndims = 0;
    size_t dim1 = 0;    // second dimension alone
    size_t dim2 = 1;    // third dimension, 1 when there is none
};

ParamArray viewParam(SimStruct* S, BlockKind kind, BlockParam param)
{
    ParamArray view;
    int index = blockParamIndex(kind, param);
    if (index < 0) return view;
    const mxArray* array = ssGetSFcnParam(S, index);
    if (array == nullptr) return view;
    view.count = static_cast<size_t>(mxGetNumberOfElements(array));
    view.rows = static_cast<size_t>(mxGetM(array));
    view.cols = static_cast<size_t>(mxGetN(array));
    view.ndims = static_cast<size_t>(mxGetNumberOfDimensions(array));
    const mwSize* dims = mxGetDimensions(array);
    view.dim1 = (view.ndims >= 2 && dims != nullptr) ? static_cast<size_t>(dims[1]) : 1;
    view.dim2 = (view.ndims >= 3 && dims != nullptr) ? static_cast<size_t>(dims[2]) : 1;
    view.data = view.count > 0 ? mxGetPr(array) : nullptr;
    if (view.data == nullptr) view.count = 0;
    return view;
}

bool isEmpty(const ParamArray& p) { return p.count == 0; }

// Truncation toward zero into a 32-bit count or code. A NaN, an infinity or a
// value outside the int32 range has no such integer: the caller fails the
// check the value belongs to instead of converting it.
bool truncateToInt(double value, int32_t* out)
{
    if (!(value > -2147483649.0 && value < 2147483648.0)) return false;  // NaN fails here too
    *out = static_cast<int32_t>(value);
    return true;
}

// Mode settings without a check of their own (update mode, rate type) only
// distinguish zero / nonzero and one / other; saturating keeps that meaning
// for huge values, and a NaN reads as 0.
int32_t saturateToInt(double value)
{
    if (value != value) return 0;
    if (value <= -2147483648.0) return INT32_MIN;
    if (value >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(value);
}

// A sensor count (numVelocitySensors, numForceSensors): 0 when empty, false
// when the value has no 32-bit integer.
bool sensorCount(const ParamArray& p, int32_t* out)
{
    if (isEmpty(p)) {
        *out = 0;
        return true;
    }
    return truncateToInt(p.data[0], out);
}

// A limit array is in vector form (one value per actuator: maximum, and its
// negation as minimum) when it has exactly one row or one column; otherwise it
// is n x 2 with the maxima in column 0 and the minima in column 1.
bool isVectorForm(const ParamArray& p) { return p.rows == 1 || p.cols == 1; }

// Checks 18 and 20: the size of a limit array in whichever form it has.
const char* limitArraySizeError(const ParamArray& p, size_t n, const char* vectorMessage,
                                const char* maxMinMessage)
{
    if (isVectorForm(p)) return p.count != n ? vectorMessage : nullptr;
    return (p.rows != n || p.cols != 2) ? maxMinMessage : nullptr;
}

void limitsOf(const ParamArray& p, size_t n, size_t i, double* maximum, double* minimum)
{
    if (isVectorForm(p)) {
        *maximum = p.data[i];
        *minimum = -p.data[i];
    } else {
        *maximum = p.data[i];
        *minimum = p.data[n + i];
    }
}

// The checks of the table codes, which run after the shape checks: every
// actuator type and DOF code must name a model code, no DOF may appear twice,
// and the translational DOFs must come first (the sensor transforms take the
// entries after the translational ones as the rotational part).
const char* codeError(const ParamArray& types, const ParamArray& dofs)
{
    for (size_t i = 0; i < types.count; ++i) {
        int32_t code = 0;
        if (!truncateToInt(types.data[i], &code) || code < 1 || code > 5)
            return "(mdlCheckParameters) Actuator type code out of range.";
    }
    int32_t codes[MAX_DOFS] = {};
    for (size_t k = 0; k < dofs.count; ++k) {
        if (!truncateToInt(dofs.data[k], &codes[k]) || codes[k] < 1 || codes[k] > 6)
            return "(mdlCheckParameters) Degree-of-freedom code out of range.";
    }
    for (size_t k = 0; k < dofs.count; ++k)
        for (size_t m = 0; m < k; ++m)
            if (codes[m] == codes[k])
                return "(mdlCheckParameters) Degrees-of-freedom array lists a DOF twice.";
    bool rotationSeen = false;
    for (size_t k = 0; k < dofs.count; ++k) {
        bool rotational = codes[k] > 3;
        if (rotationSeen && !rotational)
            return "(mdlCheckParameters) Degrees-of-freedom array must list translations before rotations.";
        rotationSeen = rotationSeen || rotational;
    }
    return nullptr;
}

// The parameters both blocks have, in the order the check reads them; the
// check and the loader take them through one structured binding with the
// members' own names.
struct SharedParams {
    ParamArray types;
    ParamArray velocity;
    ParamArray force;
    ParamArray dofs;
    ParamArray head;
    ParamArray base;
    ParamArray link;
    ParamArray accelLoc;
    ParamArray accelOri;
    ParamArray coords;
    ParamArray forceLimits;
    ParamArray units;
};

SharedParams viewSharedParams(SimStruct* S, BlockKind kind)
{
    SharedParams views;
    views.types = viewParam(S, kind, BlockParam::actuatorTypes);
    views.velocity = viewParam(S, kind, BlockParam::numVelocitySensors);
    views.force = viewParam(S, kind, BlockParam::numForceSensors);
    views.dofs = viewParam(S, kind, BlockParam::degreesOfFreedom);
    views.head = viewParam(S, kind, BlockParam::headPivotLocations);
    views.base = viewParam(S, kind, BlockParam::basePivotLocations);
    views.link = viewParam(S, kind, BlockParam::linkPivotLocations);
    views.accelLoc = viewParam(S, kind, BlockParam::accelLocations);
    views.accelOri = viewParam(S, kind, BlockParam::accelOrientations);
    views.coords = viewParam(S, kind, BlockParam::coordinateSystem);
    views.forceLimits = viewParam(S, kind, BlockParam::maxActuatorForce);
    views.units = viewParam(S, kind, BlockParam::canonicalUnits);
    return views;
}

// The optional integer scalars: the default when empty.
int32_t optionalMode(const ParamArray& p, int32_t fallback)
{
    return isEmpty(p) ? fallback : saturateToInt(p.data[0]);
}

}  // namespace

int blockParamCount(BlockKind kind)
{
    return kind == BlockKind::Jackpos ? JACKPOS_NUM_PARAMS : POSJACK_NUM_PARAMS;
}

int blockParamIndex(BlockKind kind, BlockParam param)
{
    int position = static_cast<int>(param);
    if (position <= static_cast<int>(BlockParam::coordinateSystem)) return position;
    if (kind == BlockKind::Jackpos) return position;
    // Posjack has no displacement limits and no forward iteration count, so
    // everything after coordinateSystem moves up by one.
    if (param == BlockParam::maxActuatorDispl || param == BlockParam::forwardIterations) return -1;
    return position - 1;
}

const char* blockParameterError(SimStruct* S, BlockKind kind)
{
    const auto [types, velocity, force, dofs, head, base, link, accelLoc, accelOri, coords, forceLimits, units] =
        viewSharedParams(S, kind);

    const size_t n = types.count;
    if (n == 0) return "(mdlCheckParameters) Actuator types array is empty.";
    if (n > MAX_ACTUATORS) return "(mdlCheckParameters) Max number of actuators exceeded.";

    int32_t nVel = 0;
    if (!sensorCount(velocity, &nVel) || (nVel != 0 && static_cast<size_t>(nVel) != n))
        return "(mdlCheckParameters) Improper number of velocity sensors.";
    int32_t nForce = 0;
    if (!sensorCount(force, &nForce) || (nForce != 0 && static_cast<size_t>(nForce) != n))
        return "(mdlCheckParameters) Improper number of force sensors.";

    if (isEmpty(dofs)) return "(mdlCheckParameters) Degrees-of-freedom array is empty.";
    if (dofs.count > MAX_DOFS) return "(mdlCheckParameters) Max number of degrees-of-freedom exceeded.";

    if (isEmpty(head)) return "(mdlCheckParameters) Head pivot locations array is empty.";
    if (head.rows != 3 || head.cols != n)
        return "(mdlCheckParameters) Head pivot locations array has wrong size.";
    if (isEmpty(base)) return "(mdlCheckParameters) Base pivot locations array is empty.";
    if (base.rows != 3 || base.cols != n)
        return "(mdlCheckParameters) Base pivot locations array has wrong size.";

    // The loader reads one page of link pivots from a two-dimensional array
    // and three from a three-dimensional one, so anything else is refused.
    if (!isEmpty(link) &&
        (link.rows != 3 || link.dim1 != n || link.ndims > 3 || (link.ndims == 3 && link.dim2 != 3)))
        return "(mdlCheckParameters) Link pivot locations array has wrong size.";

    const size_t a = accelLoc.cols;
    if (a > 0 && accelLoc.rows != 3) return "(mdlCheckParameters) Accel locations array has wrong size.";
    if (a > MAX_ACTUATORS) return "(mdlCheckParameters) Max number of accelerometers exceeded.";
    if (a > 0 && (accelOri.rows != 3 || accelOri.cols != a))
        return "(mdlCheckParameters) Accel orientation array has wrong size.";

    if (isEmpty(coords)) return "(mdlCheckParameters) Coordinate system offset/rotation array is empty.";
    if (coords.count != 6)
        return "(mdlCheckParameters) Coordinate system offset/rotation array has wrong size.";

    if (kind == BlockKind::Jackpos) {
        const ParamArray displLimits = viewParam(S, kind, BlockParam::maxActuatorDispl);
        if (isEmpty(displLimits)) return "(mdlCheckParameters) Max actuator displ array is empty.";
        if (const char* message =
                limitArraySizeError(displLimits, n, "(mdlCheckParameters) Max actuator displ array has wrong size.",
                                    "(mdlCheckParameters) Max/min actuator displ array has wrong size."))
            return message;
    }

    if (nForce != 0 && isEmpty(forceLimits)) return "(mdlCheckParameters) Max actuator force array is empty.";
    if (const char* message =
            limitArraySizeError(forceLimits, n, "(mdlCheckParameters) Max actuator force array has wrong size.",
                                "(mdlCheckParameters) Max/min actuator force array has wrong size."))
        return message;

    if (isEmpty(units)) return "(mdlCheckParameters) Canonical units array is empty.";
    if (units.count != 8) return "(mdlCheckParameters) Canonical units array has wrong size.";

    if (const char* message = codeError(types, dofs)) return message;

    if (kind == BlockKind::Jackpos) {
        const ParamArray iterations = viewParam(S, kind, BlockParam::forwardIterations);
        int32_t count = 0;
        if (!isEmpty(iterations) && (!truncateToInt(iterations.data[0], &count) || count < 0))
            return "(mdlCheckParameters) Forward iterations must not be negative.";
    }
    return nullptr;
}

void mdlCheckParametersFor(SimStruct* S, BlockKind kind)
{
    if (const char* message = blockParameterError(S, kind)) ssSetErrorStatus(S, message);
}

void configureBlockModel(SimStruct* S, BlockKind kind, KinModel* model)
{
    const auto [types, velocity, force, dofs, head, base, link, accelLoc, accelOri, coords, forceLimits, units] =
        viewSharedParams(S, kind);
    const ParamArray vertical = viewParam(S, kind, BlockParam::verticalAccelOffset);
    const ParamArray update = viewParam(S, kind, BlockParam::jacobianUpdateMode);
    const ParamArray rate = viewParam(S, kind, BlockParam::rateType);

    // Everything below was validated: the counts are within the capacities,
    // the codes within their ranges and every array as large as it is read.
    const int n = static_cast<int>(types.count);
    const int d = static_cast<int>(dofs.count);
    const int a = static_cast<int>(accelLoc.cols);
    int32_t typeCodes[MAX_ACTUATORS] = {};
    for (int i = 0; i < n; ++i) {
        truncateToInt(types.data[i], &typeCodes[i]);
        typeCodes[i] -= 1;
    }
    int32_t dofCodes[MAX_DOFS] = {};
    for (int k = 0; k < d; ++k) {
        truncateToInt(dofs.data[k], &dofCodes[k]);
        dofCodes[k] -= 1;
    }
    int32_t nVel = 0;
    int32_t nForce = 0;
    sensorCount(velocity, &nVel);
    sensorCount(force, &nForce);
    const double verticalOffset = isEmpty(vertical) ? 0.0 : vertical.data[0];
    const int32_t updateMode = optionalMode(update, 1);
    const int32_t rateType = optionalMode(rate, 1);

    kinConfigure(model, n, typeCodes, nVel, a, nForce, d, dofCodes);
    if (kind == BlockKind::Jackpos) {
        const ParamArray iterations = viewParam(S, kind, BlockParam::forwardIterations);
        int32_t count = 1;
        if (!isEmpty(iterations)) truncateToInt(iterations.data[0], &count);
        kinSetIterationCount(model, 0, count);
    }
    kinSetJacobianUpdateMode(model, updateMode);
    kinSetVerticalAccelOffset(model, verticalOffset);
    kinSetRateType(model, rateType);

    // canonicalUnits is the 4 x 2 table (kind, translational/rotational)
    // stored column-major.
    for (int u = 0; u < 4; ++u)
        for (int t = 0; t < 2; ++t) kinSetCanonicalUnit(model, u, t, units.data[u + 4 * t]);

    // Point arrays are 3 x count, column-major: coordinate c of item j is
    // element 3j + c.
    for (int c = 0; c < 3; ++c)
        for (int j = 0; j < n; ++j) {
            kinSetPoint(model, 0, c, j, head.data[3 * j + c]);
            kinSetPoint(model, 1, c, j, base.data[3 * j + c]);
        }
    if (!isEmpty(link)) {
        const int pages = link.ndims == 3 ? 3 : 1;
        for (int page = 0; page < pages; ++page)
            for (int c = 0; c < 3; ++c)
                for (int j = 0; j < n; ++j) kinSetPoint(model, 2 + page, c, j, link.data[3 * n * page + 3 * j + c]);
    }
    for (int c = 0; c < 3; ++c)
        for (int j = 0; j < a; ++j) {
            kinSetPoint(model, 5, c, j, accelLoc.data[3 * j + c]);
            kinSetPoint(model, 6, c, j, accelOri.data[3 * j + c]);
        }
    for (int i = 0; i < 6; ++i) kinSetCoordinateSystem(model, i, coords.data[i]);

    if (kind == BlockKind::Jackpos) {
        const ParamArray displLimits = viewParam(S, kind, BlockParam::maxActuatorDispl);
        for (int i = 0; i < n; ++i) {
            double maximum = 0.0;
            double minimum = 0.0;
            limitsOf(displLimits, static_cast<size_t>(n), static_cast<size_t>(i), &maximum, &minimum);
            kinSetMaximum(model, 0, 0, i, maximum);
            kinSetMinimum(model, 0, 0, i, minimum);
        }
    }
    // Force limits are validated even without force sensors, but only a model
    // with force sensors uses them.
    if (nForce != 0) {
        for (int i = 0; i < n; ++i) {
            double maximum = 0.0;
            double minimum = 0.0;
            limitsOf(forceLimits, static_cast<size_t>(n), static_cast<size_t>(i), &maximum, &minimum);
            kinSetMaximum(model, 0, 3, i, maximum);
            kinSetMinimum(model, 0, 3, i, minimum);
        }
    }
}

void loadBlockParameters(SimStruct* S, BlockKind kind, KinModel* model)
{
    configureBlockModel(S, kind, model);
    const double zeroPose[MAX_DOFS] = {};
    kinPrepare(model, zeroPose);
}
