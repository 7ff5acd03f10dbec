#include "model/Document.h"

#include "parser/StandardSecurity.h"

CPdfDocument::CPdfDocument(const CRepairEngine* engine) : m_engine(engine) {}

// The added objects go first: they may point into the table, never the
// other way round.
CPdfDocument::~CPdfDocument() {
  m_addedObjects.RemoveAll();
  m_typeIndex.RemoveAll();
  m_table.RemoveAll();
}

void CPdfDocument::SetEncryption(std::unique_ptr<CSourceEncryption> encryption) {
  m_encryption = std::move(encryption);
}
