#pragma once

// The scanner's actions and input, kept out of the generated file.
#include <cstddef>
#include <cstdint>

#include "Grammar.hpp"
#include "model/PdfObject.h"
#include "parser/Tokenizer.h"

// Reads the next input for the scanner from the bound file: at most 8192
// bytes unless the pending token has outgrown the first buffer. 0 at the end
// or when no file is bound.
size_t ReadScannerInput(char* buffer, size_t maxSize, bool tokenOutgrewBuffer);
// The hook that runs once per token, before any input is examined: answers
// true when the caller asked to stop, now or before. With batched messages it
// asks only once the input has moved on far enough. Inline, and one test when
// there is nothing to ask: it runs millions of times.
extern bool g_tokenHookIdle;
bool AskStopAndReportProgressNow();
inline bool AskStopAndReportProgress() { return !g_tokenHookIdle && AskStopAndReportProgressNow(); }
// The same hook for `count` more tokens taken together, with the progress
// value of the last call. Answers how many passed before a stop.
size_t RepeatTokenHook(size_t count);
// The keyword "stream" was matched, with `bufferedAhead` bytes of the input
// read past it: the data starts there.
void NoteStreamStart(size_t bufferedAhead);
// Where the data of the last "stream" starts in the bound file, and the
// reader that finds it again; null when the input is bytes in memory.
class CSourceReader;
CSourceReader* StreamDataSource(uint64_t& offset);
// Whether the system failed to read some of the input since that "stream".
bool ZeroFilledSinceStreamStart();
// How many bytes of the input are still to be read.
uint64_t ScannerBytesLeft();
// The object table of the bound document, or null, and the sink that takes
// complete objects instead of it, or null.
class CPdfObjectTable;
class CPdfDocument;
CPdfDocument* BoundDocument();
CPdfObjectTable* BoundObjectTable();
CParsedObjectSink* BoundObjectSink();
// Whether the bound parse is a thorough recovery.
bool ThoroughRecovery();

[[noreturn]] void ScannerFatalError(const char* message);
void* ScannerAllocate(size_t size);
void* ScannerReallocate(void* memory, size_t size);
void ScannerFree(void* memory);

int MakeText(TokenValue* value, PdfObjectKind kind, const char* text, size_t length, int token);
int MakeNumber(TokenValue* value, const char* text, size_t length);
// The token of a word split off a glued keyword: a number, a boolean, null
// or "endobj"; 0 for anything else, which is skipped.
int ClassifyWord(TokenValue* value, const char* text, size_t length);
int MakePiece(TokenValue* value, const char* text, size_t length);
int MakeHexPiece(TokenValue* value, char byte);
int MakeReference(TokenValue* value, const char* text, size_t length);
int MakeObjectHeader(TokenValue* value, const char* text, size_t length);
