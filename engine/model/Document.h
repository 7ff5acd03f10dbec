#pragma once

#include <memory>
#include <unordered_set>
#include <vector>

#include "io/SourceReader.h"
#include "model/DecodeBudget.h"
#include "model/ObjectTable.h"
#include "model/PdfDictionary.h"
#include "model/RepairReport.h"
#include "model/TypeIndex.h"

class CMessageSink;
struct CSourceEncryption;

// The security handler's state is the security room's own: it is set and
// freed there, where its type is known.
struct SourceEncryptionDeleter {
  void operator()(CSourceEncryption* encryption) const;
};

// Everything of one repair run: the salvaged objects by key, the type index
// of the reconstruction, and the objects the reconstruction creates. Ownership
// is a tree rooted here.
class CPdfDocument {
 public:
  explicit CPdfDocument(const CMessageSink* engine);
  virtual ~CPdfDocument();

  CPdfObjectTable& Table() { return m_table; }
  const CPdfObjectTable& Table() const { return m_table; }
  CPdfTypeIndex& TypeIndex() { return m_typeIndex; }
  CPdfObjectList& AddedObjects() { return m_addedObjects; }
  const CPdfObjectList& AddedObjects() const { return m_addedObjects; }
  // Where the stages report: the run's message sink.
  const CMessageSink* Engine() const { return m_engine; }
  // Thorough recovery: resynchronise inside damaged objects.
  bool Thorough() const { return m_thorough; }
  void SetThorough(bool thorough) { m_thorough = thorough; }
  // Batched messages: questions and progress once per stretch of work.
  bool BatchedMessages() const { return m_batchedMessages; }
  void SetBatchedMessages(bool batched) { m_batchedMessages = batched; }
  // The report the caller asked for, filled by the stages; null without one,
  // and then nothing is counted.
  CRepairReport* Report() { return m_report.get(); }
  void SetReport(std::unique_ptr<CRepairReport> report) { m_report = std::move(report); }
  // What the run may still decode: started by the parse, from the source's
  // length; spent by every stage that decodes.
  // Thorough recovery: the /Kids elements that list a page once more where
  // the source's tree, as readers walk it, shows the page again. They stay
  // when the rebuilt tree lists every other node once.
  std::unordered_set<const CPdfObject*>& RepeatedListings() { return m_repeatedListings; }
  CDecodeBudget& DecodeBudget() { return m_decodeBudget; }
  // Objects that were in the source but are not in the output because the
  // budget or memory ran out before they were made.
  uint64_t ObjectsDropped() const { return m_objectsDropped; }
  void AddObjectsDropped(uint64_t count) { m_objectsDropped += count; }
  // The trailer dictionaries of the source, in file order: read by thorough
  // recovery's parse, or after the default one.
  void AddTrailer(std::unique_ptr<CPdfDictionary> trailer) { m_trailers.push_back(std::move(trailer)); }
  const std::vector<std::unique_ptr<CPdfDictionary>>& Trailers() const { return m_trailers; }
  // Those trailers and the dictionaries of the cross-reference streams in
  // the table, the newest (last in the file) first.
  std::vector<const CPdfDictionary*> TrailerDictionaries() const;
  // An encrypted source that opened: the output is encrypted again. Null
  // for every other source.
  void SetEncryption(std::unique_ptr<CSourceEncryption> encryption);
  const CSourceEncryption* Encryption() const { return m_encryption.get(); }
  // The reader that stream data parsed from file finds its bytes through;
  // the file must stay open as long as the document's streams are used.
  // A reader once made lives as long as the document: streams point at it.
  CSourceReader& SourceReaderFor(CFile64Ex& file) {
    for (const auto& reader : m_sourceReaders) {
      if (&reader->File() == &file) return *reader;
    }
    return *m_sourceReaders.emplace_back(std::make_unique<CSourceReader>(file));
  }

 private:
  CPdfObjectTable m_table;
  const CMessageSink* m_engine;  // not owned: receives the messages
  CPdfTypeIndex m_typeIndex;
  CPdfObjectList m_addedObjects;
  std::vector<std::unique_ptr<CPdfDictionary>> m_trailers;  // never written
  std::unique_ptr<CSourceEncryption, SourceEncryptionDeleter> m_encryption;
  CDecodeBudget m_decodeBudget;
  uint64_t m_objectsDropped = 0;
  bool m_thorough = false;
  bool m_batchedMessages = false;
  std::unique_ptr<CRepairReport> m_report;
  std::unordered_set<const CPdfObject*> m_repeatedListings;  // not owned: elements of /Kids arrays
  std::vector<std::unique_ptr<CSourceReader>> m_sourceReaders;
};
