#include "model/Document.h"

// The added objects go first: they may point into the table, never the
// other way round.
CPdfDocument::~CPdfDocument() {
  m_addedObjects.RemoveAll();
  m_typeIndex.RemoveAll();
  m_table.RemoveAll();
}
