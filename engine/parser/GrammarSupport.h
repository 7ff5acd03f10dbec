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

// Thorough recovery dropped a broken piece inside an object: the report,
// where there is one, counts it.
void NoteBrokenPiece() noexcept;
// Null (a broken piece of thorough recovery) adds nothing.
void AddIndirectObject(PdfObjectKey key, CPdfObject* object);
void AddElement(CPdfArray* array, CPdfObject* element);
// A stream whose end was cut off: it keeps the bytes that are there.
CPdfStream* NewCutStream(CPdfDictionary* dictionary, CStreamData* data);
// A stream whose data ended at "endstream".
CPdfStream* NewStream(CPdfDictionary* dictionary, CStreamData* data);
// Empty stream data: where it starts in the bound file, or, for bytes in
// memory, with room for what the dictionary's /Length announces as far as
// the input can still hold it. Only a hint: the data is whatever lies before
// "endstream". The dictionary is the one before "stream": the empty data is
// only ever made right after it.
CStreamData* NewStreamData(const CPdfDictionary* dictionary);
CPdfText* NewString();
void AppendPiece(CPdfText* text, const BytePiece& piece);
void Delimit(CPdfText* text, char open, char close);
// Adopts value under the name's text and deletes the name; on failure
// nothing is adopted or deleted. A null value only deletes the name.
void SetEntry(CPdfDictionary* dictionary, CPdfObject* name, CPdfObject* value);
