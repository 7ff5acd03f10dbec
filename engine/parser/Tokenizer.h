#pragma once

#include <cstdint>

class CPdfDocument;
class CFile64Ex;
union TokenValue;

// What the tokenizer reads from and reports to. One process-wide binding:
// one parse run at a time.
void BindScanner(CPdfDocument* document, CFile64Ex* file, uint64_t length);

// Discards all buffered input, the condition stack and any half-read token.
void ResetTokenizer();

// The next token code (0 at the end of input or after a stop request) and
// its value. Asks the stop question and reports progress first, every call.
int NextToken(TokenValue* value);
