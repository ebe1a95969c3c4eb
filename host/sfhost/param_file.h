// Parameter files: the dialog parameters of one block as JSON.
//
// Two forms are accepted:
// - an object whose keys are the block's dialog parameter names (all of them
//   required, no others allowed; the block's name picks the list), loaded in
//   dialog order;
// - an array of values in dialog order, handed to the block as given (so a
//   wrong count reaches the block, which reports it).
//
// A value is one of
//   3                          1x1
//   []                         0x0
//   [1, 2, 3]                  1xN
//   [[1, 2], [3, 4]]           MxN, the outer list holds the rows
//   [[[..], ..], ..]           MxNxP, v[i][j][k] is element (i, j, k)
//   {"size": [2, 0], "data": []}   any shape, data column-major
#pragma once

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "param_value.h"

namespace sfhost {

// The dialog parameter names of a block sfhost knows (Jackpos, Posjack), in
// dialog order; an empty span for any other block.
std::span<const std::string_view> dialogParameterNames(std::string_view blockName);

// Reads and parses a JSON file; InputError (with line and column) when it
// cannot be read or is not JSON.
nlohmann::json readJsonFile(const std::string& path);
nlohmann::json parseJsonText(std::string_view text, const std::string& path);

// Decodes one value; jsonPath names it in messages ("$.headPivotLocations").
ParamValue decodeValue(const nlohmann::json& value, const std::string& path, const std::string& jsonPath);

// The parameters of a whole file in dialog order, for the block blockName.
std::vector<ParamValue> parametersFromJson(const nlohmann::json& doc, const std::string& path,
                                           std::string_view blockName);
std::vector<ParamValue> readParameterFile(const std::string& path, std::string_view blockName);

// Which of the known blocks a parameter file is written for, when no plug-in
// says it: the named form by its keys (forwardIterations and maxActuatorDispl
// belong to Jackpos only), the array form by its length (17 Jackpos, 15
// Posjack). Throws InputError when it fits neither.
std::string detectBlockName(const nlohmann::json& doc, const std::string& path);

// "$.name" for identifier-like keys, else "$[\"odd key\"]".
std::string jsonMember(const std::string& parent, std::string_view key);
std::string jsonIndex(const std::string& parent, std::size_t index);

}  // namespace sfhost
