#pragma once

union TokenValue;

// Between thorough recovery's tokenizer and grammar: keeps the brackets of
// the object being read balanced. Whatever an object header, a file section
// or the end of the input cuts off is closed (a cut-off string or stream
// with TOKEN_CUT, arrays and dictionaries with their closers, the object
// with "endobj"); a closer that matches nothing open is dropped, and one
// that matches an outer container first closes the inner ones.
int NextBalancedToken(TokenValue* value);
// Forgets everything open and releases a token held back.
void ResetTokenBalancer() noexcept;
