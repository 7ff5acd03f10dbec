#include "core/RepairEngine.h"

#include <cstdio>


void CRepairEngine::CPdfVersion::SetFromOption(uint32_t option) {
  const uint32_t minor = option >> 16;
  if (minor <= 6) {
    char text[16];
    std::snprintf(text, sizeof text, "1.%u", static_cast<unsigned>(minor));
    m_text = text;
  } else {
    m_text = "1.4";
  }
}
