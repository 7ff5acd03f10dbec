#include "parser/ScannerSupport.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/Exceptions.h"
#include "base/MessageSink.h"
#include "io/File64Ex.h"
#include "model/Document.h"
#include "parser/NumberText.h"
#include "parser/TrailerScan.h"

namespace {

struct ScannerInput {
  CPdfDocument* document = nullptr;       // takes the trailers, or none
  CPdfObjectTable* table = nullptr;       // where references resolve and objects go
  const CMessageSink* engine = nullptr;  // asked and told once per token, or none
  CFile64Ex* file = nullptr;
  uint64_t length = 0;
  std::string_view memory;  // read instead of a file when no file is bound
  size_t memoryRead = 0;
  CParsedObjectSink* sink = nullptr;  // takes the objects instead of the table
  bool thorough = false;              // thorough recovery's conditions and tokens
  bool batched = false;               // ask and tell once per stretch of input
  uint64_t nextQuestion = 0;          // the read position of the next batched question
  bool stopPending = false;           // a stop was answered; the input ends
  bool stopAnswered = false;          // a stop was answered without batching
  CSourceReader* source = nullptr;    // finds stream data in the file again
  uint64_t streamStart = 0;           // where the last "stream"'s data starts
  uint64_t zeroMark = 0;              // the file's zero-filled pieces then
  CTrailerKeywords* keywords = nullptr;  // sees every piece read, or none
};
ScannerInput g_input;

// With batched messages: the input has moved on far enough for a question.
bool BatchedQuestionDue() { return g_input.file != nullptr && g_input.file->GetPosition() >= g_input.nextQuestion; }
bool AskBatched();

// The token hook's state follows every change of what it depends on: the
// binding, each read (the position), each batched question and each stop.
void UpdateTokenHook() {
  g_tokenHookIdle =
      !g_input.stopPending && (g_input.engine == nullptr || (g_input.batched && !BatchedQuestionDue()));
}

// With batched messages, the question is asked at most once per this many
// bytes read, and at every object header.
constexpr uint64_t kBatchedQuestionStep = 64 * 1024;

}  // namespace

bool g_tokenHookIdle = true;

void BindScanner(CPdfDocument* document, CFile64Ex* file, uint64_t length, bool thorough) {
  g_input = {};
  g_input.thorough = thorough;
  g_input.batched = document != nullptr && document->BatchedMessages();
  g_input.document = document;
  g_input.table = document != nullptr ? &document->Table() : nullptr;
  g_input.engine = document != nullptr ? document->Engine() : nullptr;
  g_input.file = file;
  g_input.length = length;
  if (document != nullptr && file != nullptr) g_input.source = &document->SourceReaderFor(*file);
  UpdateTokenHook();
}

void BindScannerToMemory(CPdfObjectTable* table, std::string_view bytes, CParsedObjectSink* sink, bool thorough) {
  g_input = {};
  g_input.thorough = thorough;
  g_input.table = table;
  g_input.memory = bytes;
  g_input.sink = sink;
  UpdateTokenHook();
}

void TapScannerInput(CTrailerKeywords* keywords) { g_input.keywords = keywords; }

CPdfObjectTable* BoundObjectTable() { return g_input.table; }
CPdfDocument* BoundDocument() { return g_input.document; }
bool ThoroughRecovery() { return g_input.thorough; }
bool ParseWasStopped() { return g_input.stopPending || g_input.stopAnswered; }
CParsedObjectSink* BoundObjectSink() { return g_input.sink; }

// With batched messages the scanner reads this much at a time; otherwise
// 8192 bytes into a buffer of 16384.
constexpr size_t kBatchedRead = 128 * 1024;

// Bytes in memory (the objects of an object stream, a few hundred bytes
// each) get a buffer of about their size: the general allocator hands out
// small blocks from its caches, and every one of those parses takes one.
size_t ScannerBufferSize() {
  constexpr size_t kSmallest = 256;
  constexpr size_t kDefault = 16384;
  if (g_input.batched) return 2 * kBatchedRead;
  if (g_input.file != nullptr || g_input.memory.size() + 2 >= kDefault) return kDefault;
  return std::max(kSmallest, std::bit_ceil(g_input.memory.size() + 2));
}

size_t ReadScannerInput(char* buffer, size_t maxSize, bool tokenOutgrewBuffer) {
  const size_t kRead = g_input.batched ? kBatchedRead : 8192;
  constexpr size_t kLargestRead = size_t{1} << 30;
  const size_t limit = tokenOutgrewBuffer ? kLargestRead : kRead;
  if (maxSize > limit) maxSize = limit;
  if (g_input.file == nullptr) {
    const size_t left = g_input.memory.size() - g_input.memoryRead;
    const size_t count = maxSize < left ? maxSize : left;
    if (count != 0) std::memcpy(buffer, g_input.memory.data() + g_input.memoryRead, count);
    g_input.memoryRead += count;
    return count;
  }
  // Batched questions are also asked between reads, so that a stop is heard
  // inside long stretches that give no token (a run of zero bytes).
  if (g_input.batched && BatchedQuestionDue() && AskBatched()) return 0;
  const uint64_t position = g_input.file->GetPosition();
  const uint32_t count = g_input.file->Read(buffer, static_cast<uint32_t>(maxSize));
  if (g_input.keywords != nullptr) g_input.keywords->Feed(position, std::string_view(buffer, count));
  UpdateTokenHook();
  return count;
}

namespace {

bool HasProgress() { return g_input.file != nullptr && g_input.length != 0; }

uint8_t ParseProgress() {
  const double position = static_cast<double>(static_cast<int64_t>(g_input.file->GetPosition()));
  const double share = position * 80.0 / static_cast<double>(static_cast<int64_t>(g_input.length));
  // A file that grew while it was read must not push the value off the scale.
  return share >= 80.0 ? 80 : share <= 0.0 ? 0 : static_cast<uint8_t>(share);
}

}  // namespace

namespace {

// Asks the stop question and reports changed progress now.
bool AskBatched() {
  const CMessageSink* engine = g_input.engine;
  if (engine == nullptr) return false;
  if (HasProgress()) g_input.nextQuestion = g_input.file->GetPosition() + kBatchedQuestionStep;
  if (engine->QueryStop() != 0) {
    g_input.stopPending = true;
    UpdateTokenHook();
    return true;
  }
  UpdateTokenHook();
  if (HasProgress()) engine->SendProgress(ParseProgress());
  return false;
}

}  // namespace

void NoteStreamStart(size_t bufferedAhead) {
  if (g_input.file == nullptr) return;
  g_input.streamStart = g_input.file->GetPosition() - bufferedAhead;
  g_input.zeroMark = g_input.file->ZeroFilledPieces();
}

CSourceReader* StreamDataSource(uint64_t& offset) {
  offset = g_input.streamStart;
  return g_input.source;
}

bool ZeroFilledSinceStreamStart() {
  return g_input.file != nullptr && g_input.file->ZeroFilledPieces() != g_input.zeroMark;
}

uint64_t ScannerBytesLeft() {
  if (g_input.file == nullptr) return g_input.memory.size() - g_input.memoryRead;
  const uint64_t position = g_input.file->GetPosition();
  return position < g_input.length ? g_input.length - position : 0;
}

bool AskStopAndReportProgressNow() {
  if (g_input.stopPending) return true;
  const CMessageSink* engine = g_input.engine;
  if (engine == nullptr) return false;
  if (g_input.batched) return BatchedQuestionDue() && AskBatched();
  if (engine->QueryStop() != 0) {
    g_input.stopAnswered = true;
    return true;
  }
  if (HasProgress()) engine->SendProgress(ParseProgress());
  return false;
}

size_t RepeatTokenHook(size_t count) {
  const CMessageSink* engine = g_input.engine;
  if (engine == nullptr || g_input.batched) return count;
  const bool progress = HasProgress();
  const uint8_t value = progress ? ParseProgress() : 0;
  for (size_t i = 0; i < count; ++i) {
    if (engine->QueryStop() != 0) {
      g_input.stopPending = true;
      UpdateTokenHook();
      return i;
    }
    if (progress) engine->SendProgress(value);
  }
  return count;
}

void ScannerFatalError(const char* message) {
  const std::string_view text(message);
  if (text.find("memory") != std::string_view::npos || text.find("overflow") != std::string_view::npos) {
    throw CMemoryException();
  }
  throw CException();
}

// Allocation failures raise before anything is replaced, so the scanner's
// buffer stays owned and is freed by the next reset.
void* ScannerAllocate(size_t size) {
  void* memory = std::malloc(size);
  if (memory == nullptr && size != 0) throw CMemoryException();
  return memory;
}

void* ScannerReallocate(void* memory, size_t size) {
  void* moved = std::realloc(memory, size);
  if (moved == nullptr && size != 0) throw CMemoryException();
  return moved;
}

void ScannerFree(void* memory) { std::free(memory); }

int MakeText(TokenValue* value, PdfObjectKind kind, const char* text, size_t length, int token) {
  value->object = new CPdfText(kind, text, length);
  return token;
}

int MakeNumber(TokenValue* value, const char* text, size_t length) {
  int32_t number = 0;
  if (ParseSignedInteger(text, length, number)) {
    value->object = new CPdfInteger(number);
    return TOKEN_INTEGER;
  }
  return MakeText(value, kindReal, text, length, TOKEN_REAL);
}

int ClassifyWord(TokenValue* value, const char* text, size_t length) {
  const std::string_view word(text, length);
  if (word == "endobj") return TOKEN_ENDOBJ;
  if (word == "true" || word == "false") return MakeText(value, kindBoolean, text, length, TOKEN_BOOLEAN);
  if (word == "null") return MakeText(value, kindNull, text, length, TOKEN_NULL);
  // A number as the scanner's own rules take it: a sign, digits, at most one point.
  const size_t first = !word.empty() && (word[0] == '+' || word[0] == '-') ? 1 : 0;
  size_t digits = 0;
  size_t points = 0;
  for (size_t i = first; i < word.size(); ++i) {
    if (word[i] == '.') {
      ++points;
    } else if (word[i] >= '0' && word[i] <= '9') {
      ++digits;
    } else {
      return 0;
    }
  }
  if (digits == 0 || points > 1) return 0;
  if (points == 0) return MakeNumber(value, text, length);
  return MakeText(value, kindReal, text, length, TOKEN_REAL);
}

int MakePiece(TokenValue* value, const char* text, size_t length) {
  value->piece.length = static_cast<uint8_t>(length);
  std::memcpy(value->piece.bytes, text, length);
  return TOKEN_LITSTR_BYTES;
}

int MakeHexPiece(TokenValue* value, char byte) {
  value->piece.length = 1;
  value->piece.bytes[0] = byte;
  return TOKEN_HEXSTR_BYTES;
}

int MakeReference(TokenValue* value, const char* text, size_t length) {
  PdfObjectKey key{};
  if (!ParseNumberPair(text, length, key)) key = kUnresolvableKey;
  value->object = new CPdfReference(key, nullptr, g_input.table);
  return TOKEN_INDIRECT_REF;
}

int MakeObjectHeader(TokenValue* value, const char* text, size_t length) {
  PdfObjectKey key{};
  if (!ParseNumberPair(text, length, key)) key = kUnknownObjectKey;
  // Thorough recovery gives the trailers this key: a header that spells it
  // out stands for no number it could be found by.
  if (g_input.thorough && key == kTrailerKey) key = kUnknownObjectKey;
  value->key = key;
  // Batched questions come at every object header too; a stop ends the
  // input after it.
  if (g_input.batched) AskBatched();
  return TOKEN_OBJ;
}
