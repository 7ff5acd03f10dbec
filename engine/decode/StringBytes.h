#pragma once

#include <string_view>

#include "model/PdfObject.h"

// The bytes a string object stands for: a literal string's escapes and line
// ends resolved, a hexadecimal string's digits paired. Text that is neither
// (no leading "(" or "<") answers itself.
CByteArray StringBytes(std::string_view text);

// Bytes as the text of a hexadecimal string, delimiters included: any byte
// goes through it unchanged, whatever the reader.
CByteArray HexStringText(std::string_view bytes);
