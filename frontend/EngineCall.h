#pragma once

#include <cstdint>
#include <string>

#include "RepairEvents.h"
#include "tesscore/tesscore.h"

namespace frontend {

using RepairFunction = int (*)(const EngineCallRecord*);

// One engine call, writing through writerPath, with its messages turned into
// events. Answers the engine's result. Nothing thrown by an event unwinds
// through the engine: such a message is answered as if ignored.
int CallEngine(const std::string& source, const std::string& writerPath, uint32_t versionOption,
               RepairEvents& events, RepairFunction repair = &RepairPdfFile);

}  // namespace frontend
