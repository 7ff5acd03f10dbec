#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// Asks the system, from a thread of its own, to start writing a file's
// changed pages to its device: handing pages to the device is work of the
// processor, done here beside the writing instead of in the middle of it.
// The file must stay open until this is gone.
class CBackgroundWriteback {
 public:
  // Null when no thread could be started.
  static std::unique_ptr<CBackgroundWriteback> Start(int fd);
  ~CBackgroundWriteback();
  CBackgroundWriteback(const CBackgroundWriteback&) = delete;
  CBackgroundWriteback& operator=(const CBackgroundWriteback&) = delete;

  // Returns at once; requests made while one runs are one.
  void Request();

 private:
  explicit CBackgroundWriteback(int fd) : m_fd(fd) {}
  void Run();

  const int m_fd;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_requested = false;
  bool m_stopping = false;
  std::thread m_thread;
};
