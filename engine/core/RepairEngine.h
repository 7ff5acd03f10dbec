#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/MessageSink.h"

// The engine object of one call: the message sink and the output version.
class CRepairEngine : public CMessageSink {
 public:
  // The output version text, "1.4" unless the version option names 1.0-1.6.
  class CPdfVersion {
   public:
    void SetFromOption(uint32_t option);
    const std::string& Text() const { return m_text; }

   private:
    std::string m_text = "1.4";
  };

  CRepairEngine(ProgressCallback callback, void* userData) : CMessageSink(callback, userData) {}

  int Repair(const std::string& sourcePath, int32_t reserved, uint32_t versionOption,
             const std::string& destinationPath);

  const CPdfVersion& Version() const { return m_version; }

 private:
  CPdfVersion m_version;
};
