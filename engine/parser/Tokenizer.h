#pragma once

#include <cstdint>
#include <string_view>

class CPdfDocument;
class CFile64Ex;
class CPdfObject;
class CPdfObjectTable;
class CTrailerKeywords;
struct PdfObjectKey;
union TokenValue;

// Receives the complete indirect objects of a parse instead of the table.
class CParsedObjectSink {
 public:
  virtual ~CParsedObjectSink() = default;
  // Takes ownership of object unless it raises.
  virtual void Take(PdfObjectKey key, CPdfObject* object) = 0;
};

// What the tokenizer reads from and reports to. One process-wide binding:
// one parse run at a time.
void BindScanner(CPdfDocument* document, CFile64Ex* file, uint64_t length, bool thorough = false);
// Binds bytes in memory instead of a file, with nobody to ask or tell:
// references resolve through table, complete objects go to sink. The bytes
// must outlive the parse.
void BindScannerToMemory(CPdfObjectTable* table, std::string_view bytes, CParsedObjectSink* sink,
                         bool thorough = false);

// Hands every piece read from the bound file to `keywords` as well, until
// the next binding or a null tap.
void TapScannerInput(CTrailerKeywords* keywords);

// Whether the caller asked the parse of the bound input to stop.
bool ParseWasStopped();

// Discards all buffered input, the condition stack and any half-read token.
void ResetTokenizer();

// The next token code (0 at the end of input or after a stop request) and
// its value. Asks the stop question and reports progress first, every call.
int NextToken(TokenValue* value);
