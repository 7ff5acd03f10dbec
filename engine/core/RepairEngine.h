#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tesscore/tesscore.h"

class CException;

// The engine object of one call: the output version and the message sink.
// Every part of the engine that talks to the caller does so through it.
class CRepairEngine {
 public:
  // The output version text, "1.4" unless the version option names 1.0-1.6.
  class CPdfVersion {
   public:
    void SetFromOption(uint32_t option);
    const std::string& Text() const { return m_text; }

   private:
    std::string m_text = "1.4";
  };

  CRepairEngine(ProgressCallback callback, void* userData)
      : m_callback(callback), m_userData(userData) {}
  virtual ~CRepairEngine() = default;

  int Repair(const std::string& sourcePath, int32_t reserved, uint32_t versionOption,
             const std::string& destinationPath);

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

  const CPdfVersion& Version() const { return m_version; }

 private:
  CPdfVersion m_version;
  ProgressCallback m_callback;
  void* m_userData;
  bool m_batched = false;
  bool m_passwordQuery = false;
  mutable int m_lastProgress = -1;  // the last value sent with batched messages
};
