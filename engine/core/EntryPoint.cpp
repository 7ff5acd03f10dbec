#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "base/EngineStrings.h"
#include "core/RepairEngine.h"
#include "tesscore/tesscore.h"

namespace {

// The tokenizer, the parser and the serial counter are process-wide: one run
// at a time. Other threads wait; a call from inside the running call's own
// callback cannot wait for itself and is refused.
std::mutex g_runLock;
thread_local bool t_inRun = false;

void ReportRefusal(const EngineCallRecord& record) {
  if (record.callback == nullptr) return;
  std::string text(LoadEngineString(idsUnknownError));
  record.callback(msgError, text.data(), record.userData);
}

// When not even the engine object can be made, the report is built from
// static text only.
void ReportWithoutEngine(const EngineCallRecord& record, bool outOfMemory) noexcept {
  if (record.callback == nullptr) return;
  static char memoryText[] = "错误 2: 一般错误。内存溢出。";
  static char unknownText[] = "错误 3: 未知错误。";
  record.callback(msgError, outOfMemory ? memoryText : unknownText, record.userData);
}

int RunGuarded(const EngineCallRecord& record) {
  std::unique_ptr<CRepairEngine> engine;
  try {
    engine = std::make_unique<CRepairEngine>(record.callback, record.userData);
    const std::string destination = record.destinationPath != nullptr ? record.destinationPath : "";
    const std::string source = record.sourcePath != nullptr ? record.sourcePath : "";
    return engine->Repair(source, record.reserved, record.versionOption, destination);
  } catch (const std::bad_alloc&) {
    if (engine) {
      engine->ReportCurrentException();
    } else {
      ReportWithoutEngine(record, true);
    }
  } catch (...) {
    if (engine) {
      engine->ReportCurrentException();
    } else {
      ReportWithoutEngine(record, false);
    }
  }
  return 0;
}

}  // namespace

extern "C" TESSCORE_EXPORT int RepairPdfFile(const EngineCallRecord* record) {
  if (record == nullptr) return 0;
  const EngineCallRecord copy = *record;
  if (t_inRun) {
    try {
      ReportRefusal(copy);
    } catch (...) {
    }
    return 0;
  }
  std::lock_guard<std::mutex> lock(g_runLock);
  t_inRun = true;
  const int result = RunGuarded(copy);
  t_inRun = false;
  return result;
}
