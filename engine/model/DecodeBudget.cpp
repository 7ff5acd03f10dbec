#include "model/DecodeBudget.h"

#include <algorithm>

void CDecodeBudget::Start(uint64_t sourceLength) {
  // Far past any real source, and far from overflowing.
  const uint64_t length = std::min<uint64_t>(sourceLength, uint64_t{1} << 48);
  m_total = length * kSourceFactor + kAllowance;
  m_left = m_total;
  m_shortfalls = 0;
  m_started = true;
}
