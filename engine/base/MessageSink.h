#pragma once

#include <cstdint>
#include <string>

#include "tesscore/tesscore.h"

class CException;

// The caller's progress callback, as every stage of the engine talks to it:
// progress, the stop question, texts and errors. The parser, the
// reconstruction and the writer report through it; the run owns it.
class CMessageSink {
 public:
  CMessageSink(ProgressCallback callback, void* userData) : m_callback(callback), m_userData(userData) {}
  virtual ~CMessageSink() = default;

  // Inline: the parser asks and reports once per token, millions of times.
  // With batched messages a value is sent only when it changed.
  void SendProgress(uint8_t percent) const {
    if (m_callback == nullptr) return;
    if (m_batched) {
      if (percent == m_lastProgress) return;
      m_lastProgress = percent;
    }
    uint8_t value = percent;
    m_callback(msgProgress, &value, m_userData);
  }
  void SetBatchedMessages(bool batched) { m_batched = batched; }
  int QueryStop() const { return m_callback != nullptr ? m_callback(msgQueryStop, nullptr, m_userData) : 0; }
  // msgQueryPassword, only when the caller asked for it: true with the
  // answer's bytes copied into `password`, false for no password.
  void SetPasswordQuery(bool query) { m_passwordQuery = query; }
  bool QueryPassword(int32_t attempt, std::string& password) const;
  void SendText(int code, const std::string& text) const;
  void SendStringMessage(int code, int stringId) const;

  // String `id` with every "%1" replaced by the failure's own text.
  static std::string FormatErrorMessage(int id, const CException& failure);
  // Reports the exception being handled as one msgError: string 10 with its
  // text, or string 11 when it has none. Call only inside a catch block.
  void ReportCurrentException() const noexcept;

 protected:
  ProgressCallback Callback() const { return m_callback; }
  void* UserData() const { return m_userData; }

 private:
  ProgressCallback m_callback;
  void* m_userData;
  bool m_batched = false;
  bool m_passwordQuery = false;
  mutable int m_lastProgress = -1;  // the last value sent with batched messages
};
