#include "model/Document.h"

#include <algorithm>

CPdfDocument::CPdfDocument(const CMessageSink* engine) : m_engine(engine) {}

// The added objects go first: they may point into the table, never the
// other way round.
CPdfDocument::~CPdfDocument() {
  m_addedObjects.RemoveAll();
  m_typeIndex.RemoveAll();
  m_table.RemoveAll();
}

std::vector<const CPdfDictionary*> CPdfDocument::TrailerDictionaries() const {
  std::vector<const CPdfDictionary*> trailers;
  for (const auto& trailer : m_trailers) trailers.push_back(trailer.get());
  m_table.ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) {
    for (size_t i = 0; i < list.GetCount(); ++i) {
      const CPdfObject* object = list.GetAt(i);
      if (object == nullptr || object->Kind() != kindStream) continue;
      const CPdfDictionary* dictionary = static_cast<const CPdfStream*>(object)->Dictionary();
      if (dictionary != nullptr && dictionary->TypeName() == "/XRef") trailers.push_back(dictionary);
    }
  });
  std::sort(trailers.begin(), trailers.end(),
            [](const CPdfDictionary* a, const CPdfDictionary* b) { return a->SerialNumber() > b->SerialNumber(); });
  return trailers;
}
