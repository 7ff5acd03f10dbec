#pragma once

// The grammar's actions, kept out of the generated parser.
#include "Grammar.hpp"
#include "model/PdfDictionary.h"
#include "model/PdfObject.h"
#include "parser/Parser.h"

int NextTokenGuarded(TokenValue* value);
void SaveParseFailure() noexcept;
void ClearParseFailure();
// Raises the failure saved during the parse, if any; else answers 0, or 2
// when the stack was exhausted.
int FinishParse(int result);

void AddIndirectObject(PdfObjectKey key, CPdfObject* object);
CPdfText* NewString();
void AppendPiece(CPdfText* text, const BytePiece& piece);
void Delimit(CPdfText* text, char open, char close);
// Adopts value under the name's text and deletes the name; on failure
// nothing is adopted or deleted.
void SetEntry(CPdfDictionary* dictionary, CPdfObject* name, CPdfObject* value);
