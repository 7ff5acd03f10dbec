#pragma once

#include <string>

#include "PasswordAnswer.h"
#include "RepairReport.h"

namespace frontend {

// What the engine says during one repair, decoded from its messages. Every
// event has a default that lets the run go on; texts are the engine's UTF-8.
class RepairEvents {
 public:
  virtual ~RepairEvents() = default;

  virtual void Progress(int /*percent*/) {}
  virtual void LogLine(const std::string& /*text*/) {}
  virtual void Error(const std::string& /*text*/) {}
  // The engine's stop question: true ends the run.
  virtual bool StopWanted() { return false; }
  // The source needs a password; attempt 1 to 3. True with the answer
  // assigned, false for none (the repair then fails).
  virtual bool PasswordWanted(int /*attempt*/, PasswordAnswer& /*answer*/) { return false; }
  // The run's facts, once, near its end; only when the call asked for them.
  virtual void Report(const RepairReport& /*report*/) {}
};

}  // namespace frontend
