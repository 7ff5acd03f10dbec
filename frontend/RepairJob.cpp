#include "RepairJob.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "FileTexts.h"

namespace frontend {
namespace {

// Passes events on with the writer's name in texts replaced.
class NamingEvents : public RepairEvents {
 public:
  NamingEvents(const RepairJob& job, RepairEvents& events) : m_job(job), m_events(events) {}

  void Progress(int percent) override { m_events.Progress(percent); }
  void LogLine(const std::string& text) override { m_events.LogLine(m_job.Shown(text)); }
  void Error(const std::string& text) override { m_events.Error(m_job.Shown(text)); }
  bool StopWanted() override { return m_events.StopWanted(); }
  bool PasswordWanted(int attempt, PasswordAnswer& answer) override {
    return m_events.PasswordWanted(attempt, answer);
  }
  void Report(const RepairReport& report) override { m_events.Report(report); }

 private:
  const RepairJob& m_job;
  RepairEvents& m_events;
};

}  // namespace

RepairJob::RepairJob(std::string source, std::string destination)
    : m_source(std::move(source)), m_destination(std::move(destination)) {}

RepairJob::~RepairJob() {
  if (m_unnamedFd >= 0) close(m_unnamedFd);
}

// On disk where the system allows unnamed files there, so that a large
// output does not sit in memory; in memory otherwise.
bool RepairJob::PrepareUnnamed() {
  const char* folder = std::getenv("TMPDIR");
  for (const char* candidate : {folder, "/var/tmp", "/tmp"}) {
    if (candidate == nullptr || *candidate == '\0') continue;
    m_unnamedFd = open(candidate, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_unnamedFd >= 0) break;
  }
  if (m_unnamedFd < 0) m_unnamedFd = memfd_create("tessaly-check", MFD_CLOEXEC);
  if (m_unnamedFd < 0) return false;
  m_unnamedPath = "/proc/self/fd/" + std::to_string(m_unnamedFd);
  return true;
}

bool RepairJob::Prepare(bool replace) {
  return m_output.Create(m_destination, replace, m_source);
}

std::string RepairJob::Shown(const std::string& engineText) const {
  return NameDestination(engineText, m_output.WriterPath(), m_destination);
}

int RepairJob::Run(uint32_t versionOption, RepairEvents& events, RepairFunction repair) {
  NamingEvents naming(*this, events);
  return CallEngine(m_source, WriterPath(), versionOption, naming, repair);
}

bool RepairJob::Finish(bool repaired) {
  if (m_unnamedFd >= 0) {
    close(m_unnamedFd);
    m_unnamedFd = -1;
    return true;
  }
  if (repaired) return m_output.Commit();
  m_output.Discard();
  return true;
}

}  // namespace frontend
