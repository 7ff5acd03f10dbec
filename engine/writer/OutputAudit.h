#pragma once

#include <vector>

class CPdfObject;
struct CRepairReport;

// What the objects about to be written lack, for the report: streams whose
// data ends early (cut off before "endstream", or whose filtered data does
// not decode to its end) and the numbers that references name and no
// object defines. Before the output is encrypted: the data is then still
// readable.
void AuditOutputObjects(const std::vector<CPdfObject*>& objects, CRepairReport& report);
