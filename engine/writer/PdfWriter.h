#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CFile64;
class CPdfDocument;
class CPdfObject;

// One line of the cross-reference table.
class CXrefEntry {
 public:
  CXrefEntry(int32_t inUse, uint64_t offset, uint32_t number, uint32_t generation)
      : m_inUse(inUse), m_offset(offset), m_number(number), m_generation(generation) {}
  virtual ~CXrefEntry() = default;

  int32_t m_inUse;
  uint64_t m_offset;
  uint32_t m_number;
  uint32_t m_generation;
};

// Writes the repaired file: header, every object renumbered from 1, the
// cross-reference table and the trailer. Answers 1 when the whole file was
// written, 0 when there was no root, the run was stopped, or writing failed
// (reported here).
int WriteDocument(CPdfDocument& document, const std::string& version, CPdfObject* root,
                  CPdfObject* info, CFile64& file);

void WriteIndirectObject(const CPdfObject* object, CFile64& file);
void WriteXrefSubsection(const std::vector<CXrefEntry>& entries, size_t first, size_t last,
                         CFile64& file);
