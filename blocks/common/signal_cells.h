// The mechanics both blocks share around their work records. Like
// sfunction.h everything here is static inline: each plug-in is one
// translation unit and takes its own copy.
//
// A block keeps each signal value in its own heap cell: a double allocated
// once, zeroed, when the record is created and deleted when it is released.
// The record holds the cells as fixed arrays of pointers (one row per port
// group); the helpers below walk such arrays. They are used only from the
// create and release functions, so the output steps still allocate nothing.
//
// Allocation goes on after a failed cell: every pointer ends up either a live
// cell or null, and the release that follows a failure deletes exactly the
// cells that exist.
#ifndef BLOCKS_COMMON_SIGNAL_CELLS_H
#define BLOCKS_COMMON_SIGNAL_CELLS_H

#include <cstddef>
#include <new>

#include "blocks/common/sfunction.h"

// Gives every pointer of the row its own zeroed cell; false when any of them
// could not be allocated (that pointer is then null).
template <std::size_t N>
static inline bool allocateCells(double* (&cells)[N])
{
    bool complete = true;
    for (double*& cell : cells) complete = (cell = new (std::nothrow) double(0.0)) != nullptr && complete;
    return complete;
}

// The same for every row of a group of rows.
template <std::size_t Rows, std::size_t N>
static inline bool allocateCells(double* (&groups)[Rows][N])
{
    bool complete = true;
    for (auto& group : groups) complete = allocateCells(group) && complete;
    return complete;
}

// Deletes the row's cells (null pointers are skipped by delete).
template <std::size_t N>
static inline void releaseCells(double* (&cells)[N])
{
    for (double* cell : cells) delete cell;
}

template <std::size_t Rows, std::size_t N>
static inline void releaseCells(double* (&groups)[Rows][N])
{
    for (auto& group : groups) releaseCells(group);
}

// Releases the instance's record (if any) through the block's own release
// function and clears the user data, so that no stale pointer is left behind
// for a later callback or a second initialisation.
template <typename Ivars>
static inline void releaseUserData(SimStruct* S, void (*release)(Ivars*))
{
    release(static_cast<Ivars*>(ssGetUserData(S)));
    ssSetUserData(S, nullptr);
}

// The declarations both blocks make the same way: no tunable parameter and no
// continuous or discrete states (before the ports) ...
static inline void declareFixedParamsNoStates(SimStruct* S, int numParams)
{
    for (int i = 0; i < numParams; ++i) ssSetSFcnParamTunable(S, i, SS_PRM_NOT_TUNABLE);
    ssSetNumContStates(S, 0);
    ssSetNumDiscStates(S, 0);
}

// ... and, after the ports, one sample time, no work vectors, modes or
// zero crossings, and the block's option flags.
static inline void declareSingleRateNoWork(SimStruct* S)
{
    ssSetNumSampleTimes(S, 1);
    ssSetNumRWork(S, 0);
    ssSetNumIWork(S, 0);
    ssSetNumPWork(S, 0);
    ssSetNumModes(S, 0);
    ssSetNumNonsampledZCs(S, 0);
    ssSetOptions(S, 0x00200002);
}

// The one sample time, inherited from the driving block, without offset.
static inline void setInheritedSampleTime(SimStruct* S)
{
    ssSetSampleTime(S, 0, INHERITED_SAMPLE_TIME);
    ssSetOffsetTime(S, 0, 0.0);
}

#endif
