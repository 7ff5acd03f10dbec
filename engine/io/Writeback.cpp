#include "io/Writeback.h"

#include <pthread.h>
#include <signal.h>

#include <memory>
#include <system_error>

#include "io/SystemFileApi.h"

std::unique_ptr<CBackgroundWriteback> CBackgroundWriteback::Start(int fd) {
  std::unique_ptr<CBackgroundWriteback> writeback(new CBackgroundWriteback(fd));
  // Signals stay with the threads that expect them.
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  try {
    writeback->m_thread = std::thread([raw = writeback.get()] { raw->Run(); });
  } catch (const std::system_error&) {
    writeback.reset();
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return writeback;
}

CBackgroundWriteback::~CBackgroundWriteback() {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_one();
  if (m_thread.joinable()) m_thread.join();
}

void CBackgroundWriteback::Request() {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_requested = true;
  }
  m_wake.notify_one();
}

void CBackgroundWriteback::Run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_requested || m_stopping; });
    if (m_stopping) return;
    m_requested = false;
    lock.unlock();
    SystemFiles().StartWriteback(m_fd);
    lock.lock();
  }
}
