// MAT files (MATLAB's and Octave's `save` format), read and written through
// matio, as an alternative to JSON parameter files and CSV signal files.
// Which format a file has is decided by its name: a ".mat" extension (any
// case) means MAT, anything else the text formats.
//
// Parameter files hold one variable per dialog parameter, named as in the
// block's dialog (actuatorTypes, numVelocitySensors, ...); every one is
// required and no other variable is allowed. Each must be a real, full
// double array; its dimensions (N-D and empty ones included) reach the block
// as they are.
//
// Input signal files hold u0, u1, ... (one per input port, steps x width)
// and optionally t (steps x 1). Output files hold t (when the input had it)
// and y0, y1, ... (steps x width, a matrix port's elements in column-major
// order), each prefixed with its block's name and an underscore in a chain
// (Posjack_y0).
//
// Every problem is an InputError naming the file and the variable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "csv_signals.h"
#include "param_value.h"

namespace sfhost {

// The MAT levels sfhost writes. Level 5 is what MATLAB's `save -v6` and
// Octave's `save -v6` write; level 7 is level 5 with every variable
// zlib-compressed (`save -v7`, the default of both); 7.3 is HDF5-based.
enum class MatFormat { Level5, Level7, Level73 };

bool isMatFile(const std::string& path);

// The variable names of a MAT file, in file order.
std::vector<std::string> matVariableNames(const std::string& path);

// One variable of a MAT file as a parameter value, with the same checks as
// the parameter reader (a real, full double array).
ParamValue readMatArray(const std::string& path, const std::string& name);

// The dialog parameters of blockName (Jackpos or Posjack) in dialog order.
std::vector<ParamValue> readMatParameterFile(const std::string& path, std::string_view blockName);

// Jackpos when the file has maxActuatorDispl or forwardIterations, else
// Posjack, as for the named JSON form.
std::string detectMatBlockName(const std::string& path);

// Writes the named parameters of blockName (values in dialog order).
void writeMatParameterFile(const std::string& path, std::string_view blockName,
                           const std::vector<ParamValue>& values, MatFormat format = MatFormat::Level7);

// Reads an input signal file into the table the CSV reader gives: columns
// t (when present), then u<port>_<element>, one row per step.
SignalTable readMatSignalFile(const std::string& path);

// Checks the ports of a table read from a MAT file against the block's input
// widths (one entry per input port); returns whether it has "t". The
// messages name the variables, not CSV columns.
bool checkMatSignalPorts(const SignalTable& table, const std::vector<int>& inputWidths,
                         const std::string& blockName, const std::string& path);

// Gathers a run's output rows and writes them as one variable per port.
class MatSignalWriter {
public:
    struct Variable {
        std::string name;   // "t", "y0", "Posjack_y0", ...
        std::size_t width;  // columns; t has 1
    };

    // The variables in the order of the values in a row. The file is created
    // at once, so that an unwritable output fails before a long run, and
    // removed again when the writer goes without finish().
    MatSignalWriter(std::string path, std::vector<Variable> variables, MatFormat format = MatFormat::Level7);
    ~MatSignalWriter();
    MatSignalWriter(const MatSignalWriter&) = delete;
    MatSignalWriter& operator=(const MatSignalWriter&) = delete;

    void writeRow(const double* values);
    // Writes the file; FileError when it cannot be written.
    void finish();

private:
    std::string path_;
    std::vector<Variable> variables_;
    MatFormat format_;
    std::size_t width_ = 0;
    std::vector<double> rows_;  // row by row, width_ per row
    bool finished_ = false;
};

// One variable of `steps` rows, written as given: for the runs that produce
// all their rows at once and for tests.
struct MatMatrix {
    std::string name;
    std::vector<std::size_t> dims;
    std::vector<double> data;  // column-major
};
void writeMatVariables(const std::string& path, const std::vector<MatMatrix>& variables,
                       MatFormat format = MatFormat::Level7);

}  // namespace sfhost
