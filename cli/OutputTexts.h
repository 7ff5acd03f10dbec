#pragma once

#include <string>

#include "SafeOutput.h"

// Why an output could not be created or committed, for the destination the
// user named.
std::string OutputFailureText(const frontend::SafeOutput& output, const std::string& destination);
