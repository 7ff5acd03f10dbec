#pragma once

#include <vector>

class CDecodeBudget;
class CPdfObject;
class CPdfStream;
struct CRepairReport;

// What the objects about to be written lack, for the report: streams whose
// data ends early (cut off before "endstream", or whose filtered data does
// not decode to its end) and the numbers that references name and no
// object defines. Before the output is encrypted: the data is then still
// readable. Decoding is the run's budget's; a stream it has no room for
// left is taken as whole.
void AuditOutputObjects(const std::vector<CPdfObject*>& objects, CDecodeBudget& budget, CRepairReport& report);

// Whether a stream's filtered data gives reason to doubt that it decodes to
// its end: a declared length that did not hold, or a zeroed stretch inside.
bool DataMayEndEarly(const CPdfStream& stream);
