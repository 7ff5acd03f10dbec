#include "parser/ParseRun.h"

#include "base/EngineStrings.h"
#include "base/Exceptions.h"
#include "base/MessageSink.h"
#include "io/File64Ex.h"
#include "model/Document.h"
#include "parser/Parser.h"
#include "parser/Tokenizer.h"

uint32_t ParseObjects(CPdfDocument& document, CFile64Ex& file, CTrailerKeywords* keywords) {
  const CMessageSink* engine = document.Engine();
  if (engine != nullptr) engine->SendStringMessage(msgLogLine, idsParsingSource);
  document.Table().RemoveAll();
  try {
    const uint64_t length = file.GetLength();
    document.DecodeBudget().Start(length);
    file.Seek(0, CFile64::begin);
    BindScanner(&document, &file, length, document.Thorough());
    if (!document.Thorough()) TapScannerInput(keywords);
    ResetTokenizer();
    if (document.Thorough()) {
      ParseTokensThoroughly();
    } else {
      ParseTokens();
    }
  } catch (...) {
    if (engine != nullptr) engine->ReportCurrentException();
    if (CRepairReport* report = document.Report(); report != nullptr && CurrentFailureIsMemory()) report->memoryRanOut = true;
  }
  TapScannerInput(nullptr);
  return document.Table().GetCandidateCount();
}
