#pragma once

#include <string>

#include "Reporter.h"

// One source's report as a JSON object on one line: source, destination
// (null for a check), result ("repaired", "failed" or "stopped"), mode,
// seconds, error (for a failure), then the engine's facts with numbers,
// true, false and null as such, lists as arrays and the losses as
// "losses". Texts that are not UTF-8 (file names may be any bytes) have
// each invalid byte replaced by U+FFFD.
std::string JsonLine(const FileOutcome& outcome, bool thorough, bool check);
