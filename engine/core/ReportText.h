#pragma once

#include <string>

struct CRepairReport;

// The msgReport text: one "key=value" line per fact, in the order
// tesscore.h gives, then one "loss=" line per kind of loss.
std::string FormatRepairReport(const CRepairReport& report);
