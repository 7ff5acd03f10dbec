#pragma once

#include <ctime>
#include <string>

class CPdfDocument;
class CPdfDictionary;

// A new information dictionary: creator, producer and two equal dates.
CPdfDictionary* BuildInfoDictionary(CPdfDocument& document);

// The instant of the dates: now, or SOURCE_DATE_EPOCH when it holds a decimal
// number of seconds (reproducible builds).
std::time_t RepairTime();
// The date text of an instant in local time, or empty when it cannot be made.
std::string FormatPdfDate(std::time_t instant);
