#pragma once

#include <functional>
#include <utility>

// Runs a repair's clean-up however the run ends, also when a step throws.
class RunCleanUp {
 public:
  explicit RunCleanUp(std::function<void()> cleanUp) : m_cleanUp(std::move(cleanUp)) {}
  ~RunCleanUp() { m_cleanUp(); }
  RunCleanUp(const RunCleanUp&) = delete;
  RunCleanUp& operator=(const RunCleanUp&) = delete;

 private:
  std::function<void()> m_cleanUp;
};
