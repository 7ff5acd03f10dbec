#include "rebuild/KidsIndex.h"

#include <algorithm>

#include "model/PdfObject.h"

namespace {

const CPdfObject* const kNotReference = reinterpret_cast<const CPdfObject*>(&kNotReference);
CKidsIndexes* g_active = nullptr;

const CPdfObject* TargetOf(const CPdfObject* element) {
  if (element == nullptr || element->Kind() != kindReference) return kNotReference;
  return static_cast<const CPdfReference*>(element)->Resolve();
}

}  // namespace

CKidsIndex::CKidsIndex(const CPdfArray& kids) {
  m_targets.reserve(kids.GetCount());
  for (size_t i = 0; i < kids.GetCount(); ++i) {
    const CPdfObject* target = TargetOf(kids.GetAt(i));
    m_targets.push_back(target);
    if (target != kNotReference) ++m_references[target];
  }
  m_largestSerial.resize(m_targets.size());
  RecomputeFrom(0);
}

void CKidsIndex::RecomputeFrom(size_t position) {
  uint64_t largest = position > 0 ? m_largestSerial[position - 1] : 0;
  for (size_t i = position; i < m_targets.size(); ++i) {
    const CPdfObject* target = m_targets[i];
    if (target != kNotReference && target != nullptr) largest = std::max(largest, target->SerialNumber());
    m_largestSerial[i] = largest;
  }
}

bool CKidsIndex::Lists(const CPdfObject* child) const {
  const auto found = m_references.find(child);
  return found != m_references.end() && found->second > 0;
}

size_t CKidsIndex::InsertPosition(uint64_t serialNumber) const {
  const auto first = std::upper_bound(m_largestSerial.begin(), m_largestSerial.end(), serialNumber);
  return static_cast<size_t>(first - m_largestSerial.begin());
}

void CKidsIndex::Inserted(size_t position, const CPdfObject* child) {
  // Every resolving element before the position is no later than the child,
  // so the running largest there is the child's own serial number.
  const auto at = static_cast<std::ptrdiff_t>(position);
  m_targets.insert(m_targets.begin() + at, child);
  m_largestSerial.insert(m_largestSerial.begin() + at,
                         std::max(position > 0 ? m_largestSerial[position - 1] : 0, child->SerialNumber()));
  ++m_references[child];
}

void CKidsIndex::RemoveReferencesTo(CPdfArray& kids, const CPdfObject* child) {
  const auto found = m_references.find(child);
  if (found == m_references.end() || found->second == 0) return;
  size_t lowest = m_targets.size();
  for (size_t i = m_targets.size(); i-- > 0 && found->second > 0;) {
    if (m_targets[i] != child) continue;
    kids.RemoveAt(i);
    m_targets.erase(m_targets.begin() + static_cast<std::ptrdiff_t>(i));
    m_largestSerial.erase(m_largestSerial.begin() + static_cast<std::ptrdiff_t>(i));
    --found->second;
    lowest = i;
  }
  RecomputeFrom(lowest);
}

CKidsIndexes::CKidsIndexes() : m_previous(g_active) { g_active = this; }
CKidsIndexes::~CKidsIndexes() { g_active = m_previous; }

CKidsIndexes* CKidsIndexes::Active() { return g_active; }

CKidsIndex* CKidsIndexes::For(const CPdfArray& kids) {
  if (kids.GetCount() <= kSmallArray) {
    const auto found = m_indexes.find(&kids);
    return found != m_indexes.end() ? found->second.get() : nullptr;
  }
  std::unique_ptr<CKidsIndex>& index = m_indexes[&kids];
  if (!index) index = std::make_unique<CKidsIndex>(kids);
  return index.get();
}
