#pragma once

#include <cstdint>
#include <string>

#include "EngineCall.h"
#include "SafeOutput.h"

namespace frontend {

// One file's repair as both front ends run it: a safe output beside the
// destination, the engine writing into it, and only a complete repair
// turned into the destination. The engine writes through a name the user
// never gave: its texts reach the events with the destination's name
// instead. A job that is neither committed nor discarded leaves nothing
// behind when it goes.
class RepairJob {
 public:
  RepairJob(std::string source, std::string destination);
  RepairJob(const RepairJob&) = delete;
  RepairJob& operator=(const RepairJob&) = delete;
  ~RepairJob();

  const std::string& Source() const { return m_source; }
  const std::string& Destination() const { return m_destination; }

  // Creates the output; replace: an existing destination may be replaced.
  // On failure Output() says why.
  bool Prepare(bool replace);
  // For a check that writes nothing: an unnamed temporary file that no
  // folder ever shows, gone when the job ends. False with errno set.
  bool PrepareUnnamed();
  const SafeOutput& Output() const { return m_output; }
  // The name the engine writes through, also from a forked worker.
  const std::string& WriterPath() const { return m_unnamedFd >= 0 ? m_unnamedPath : m_output.WriterPath(); }
  // An engine text as the user reads it.
  std::string Shown(const std::string& engineText) const;

  // The engine in this process, writing the prepared output.
  int Run(uint32_t versionOption, RepairEvents& events, RepairFunction repair = &RepairPdfFile);

  // After the engine: a complete repair becomes the destination (false when
  // that fails; Output() says why), anything else is thrown away.
  bool Finish(bool repaired);

 private:
  std::string m_source;
  std::string m_destination;
  SafeOutput m_output;
  int m_unnamedFd = -1;
  std::string m_unnamedPath;
};

}  // namespace frontend
