// The repair run: the only place that knows the order of the stages.
#include <cerrno>
#include <memory>

#include "base/EngineStrings.h"
#include "base/Exceptions.h"
#include "core/RepairEngine.h"
#include "core/ReportText.h"
#include "io/File64.h"
#include "io/File64Ex.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "parser/ObjectStreams.h"
#include "parser/ParseRun.h"
#include "parser/Tokenizer.h"
#include "parser/TrailerScan.h"
#include "parser/XrefCheck.h"
#include "rebuild/InfoDictionary.h"
#include "rebuild/PageTree.h"
#include "security/EncryptedSource.h"
#include "writer/PdfWriter.h"

namespace {

// Read, others may read but not write, must exist.
constexpr uint32_t kSourceOpenFlags = CFile64::typeBinary | CFile64::shareDenyWrite | CFile64::modeRead;
// Write, no sharing, created or truncated.
constexpr uint32_t kDestinationOpenFlags =
    CFile64::typeBinary | CFile64::modeCreate | CFile64::shareExclusive | CFile64::modeWrite;
constexpr uint32_t kSourceBufferSize = 4096;

// The sharing lock keeps the open source from being opened as the
// destination, except where the system only emulates the lock (on NFS the
// locks of one process never conflict): so the destination is compared with
// the source before it is truncated, and refused the same way.
bool OpenDestination(CFile64& destination, const std::string& path, const CFile64& source,
                     CFileException& failure) {
  if (!destination.Open(path.c_str(), kDestinationOpenFlags | CFile64::modeNoTruncate, &failure)) {
    return false;
  }
  failure = CFileException(CFileException::sharingViolation, EWOULDBLOCK, path);
  if (!destination.IsSameFileAs(source)) {
    try {
      if (destination.GetLength() != 0) destination.SetLength(0);
      return true;
    } catch (const CFileException& truncation) {
      failure = CFileException(truncation.m_cause, truncation.m_osError, path);
    }
  }
  destination.Abort();
  return false;
}

// With the report: whether the source's cross-reference sections are true.
// A check that fails on the way finds nothing sound.
void CheckCrossReference(CPdfDocument& document, CFile64Ex& source, CRepairReport& report) {
  report.xrefChecked = true;
  try {
    report.xrefSound = CrossReferenceIsSound(document, source);
    report.sourceCut = !SourceEndsWhole(source);
  } catch (...) {
    report.xrefSound = false;
  }
}

// The report, sent once; one that cannot be made is left out.
void SendReport(const CRepairEngine& engine, const CRepairReport& report) noexcept {
  try {
    engine.SendText(msgReport, FormatRepairReport(report));
  } catch (...) {
  }
}

// The source as the parse found it. The write reads it again, so a source
// written to in between (by another program) would give a file that is
// neither the old one nor the new one.
struct SourceWatch {
  const std::string& path;
  CFileStamp stamp;
  bool known = false;  // the system could tell the stamp before the parse
};

// A stamp that cannot be read again counts as changed: nothing vouches for
// the bytes.
bool SourceChanged(const SourceWatch& watch, const CFile64& source) {
  CFileStamp now;
  return watch.known && (!source.ReadStamp(now) || !(now == watch.stamp));
}

void ReportSourceChanged(const CRepairEngine& engine, const SourceWatch& watch) {
  engine.SendText(msgError, ReplacePercentOne(LoadEngineString(idsSourceChanged),
                                              ReplacePercentOne(LoadEngineString(idsChangedFile), watch.path)));
}

// Objects the budget or memory left unmade are named in the log and the
// report; the rest of the repair goes on.
void ReportDroppedObjects(const CRepairEngine& engine, CPdfDocument& document) {
  const uint64_t dropped = document.ObjectsDropped();
  if (dropped == 0) return;
  engine.SendText(msgLogLine, ReplacePercentOne(LoadEngineString(idsObjectsDropped), std::to_string(dropped)));
  if (CRepairReport* report = document.Report()) report->objectsDropped = dropped;
}

// After the parse: an encrypted source is opened first, and a source that
// cannot be decrypted ends the repair with nothing written. After a stop
// nobody is asked for a password; the writer hears the stop again.
int RepairParsed(const CRepairEngine& engine, CPdfDocument& document, CFile64Ex& source, const SourceWatch& watch,
                 const std::string& version, CFile64& destination, CTrailerKeywords& keywords) {
  const bool stopped = ParseWasStopped();
  // Thorough recovery read the trailers in its parse.
  if (!document.Thorough() && !stopped) ReadTrailers(document, source, &keywords);
  CRepairReport* report = document.Report();
  if (report != nullptr && !stopped) CheckCrossReference(document, source, *report);
  if (const int cause = stopped ? 0 : OpenEncryptedSource(document)) {
    if (report != nullptr) report->encryption = CRepairReport::Encryption::notOpened;
    engine.SendText(msgError, ReplacePercentOne(LoadEngineString(idsCannotDecrypt), LoadEngineString(cause)));
    return 0;
  }
  // Objects already collected that a failure took away: the output would
  // lack them without a word, so the repair fails.
  if (!UnpackObjectStreams(document, source)) return 0;
  ReportDroppedObjects(engine, document);
  if (report != nullptr) {
    if (document.Encryption() != nullptr) report->encryption = CRepairReport::Encryption::kept;
    report->objectsFound = document.Table().GetCandidateCount();
  }
  CPdfDictionary* catalog = RebuildCatalog(document);
  CPdfDictionary* info = BuildInfoDictionary(document);
  if (SourceChanged(watch, source)) {
    ReportSourceChanged(engine, watch);
    return 0;
  }
  if (catalog == nullptr) return 0;
  const int written = WriteDocument(document, version, catalog, info, destination);
  // Stream data is copied from the source while the file is written: a
  // change in the meantime gives bytes of neither version.
  if (written != 0 && SourceChanged(watch, source)) {
    ReportSourceChanged(engine, watch);
    return 0;
  }
  return written;
}

}  // namespace

int CRepairEngine::Repair(const std::string& sourcePath, int32_t /*reserved*/, uint32_t versionOption,
                          const std::string& destinationPath) {
  auto source = std::make_unique<CFile64Ex>(kSourceBufferSize);
  auto destination = std::make_unique<CFile64>();
  auto openFailure = std::make_unique<CFileException>();
  auto document = std::make_unique<CPdfDocument>(this);
  document->SetThorough((versionOption & TESSCORE_OPTION_THOROUGH) != 0);
  document->SetBatchedMessages((versionOption & TESSCORE_OPTION_BATCHED_MESSAGES) != 0);
  SetBatchedMessages(document->BatchedMessages());
  SetPasswordQuery((versionOption & TESSCORE_OPTION_PASSWORD_QUERY) != 0);
  if ((versionOption & TESSCORE_OPTION_REPORT) != 0) document->SetReport(std::make_unique<CRepairReport>());
  m_version.SetFromOption(versionOption);
  SendProgress(0);

  int result = 0;
  bool sourceOpened = false;
  try {
    SendText(msgSourcePath, sourcePath);
    if (!source->Open(sourcePath.c_str(), kSourceOpenFlags, openFailure.get())) {
      SendText(msgError, FormatErrorMessage(idsCannotOpenSource, *openFailure));
    } else if (!OpenDestination(*destination, destinationPath, *source, *openFailure)) {
      sourceOpened = true;
      SendText(msgError, FormatErrorMessage(idsCannotCreateFile, *openFailure));
      source->Close();
    } else {
      sourceOpened = true;
      ResetSerialNumbers();
      SourceWatch watch{sourcePath, {}, false};
      watch.known = source->ReadStamp(watch.stamp);
      std::string version = ReadHeaderVersion(*source);
      if (version.empty()) version = m_version.Text();
      int written = 0;
      CTrailerKeywords keywords;
      const uint32_t found = ParseObjects(*document, *source, &keywords);
      if (CRepairReport* report = document->Report()) {
        report->objectsFound = found;
        // Nothing at all was found: no cross-reference can be true to it.
        if (found == 0) report->xrefChecked = true;
      }
      if (found > 0) written = RepairParsed(*this, *document, *source, watch, version, *destination, keywords);
      // The file is complete only once it is closed: network file systems
      // report a full disk, a quota or an I/O error there.
      destination->Close();
      result = written;
      source->Close();
    }
  } catch (...) {
    ReportCurrentException();
  }
  if (sourceOpened && document->Report() != nullptr) SendReport(*this, *document->Report());
  SendProgress(100);
  return result;
}
