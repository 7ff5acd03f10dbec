#pragma once

#include "model/BufferedOutput.h"
#include "model/PdfObject.h"

// The bytes of a value as its Write gives them, appended straight to the
// output buffer: the writer's path, with no virtual call or formatting per
// piece. Classes the model does not know go through their own Write.
void AppendValue(const CPdfObject& object, CBufferedOutput& out);

// Write of the model's classes: the value's bytes through the file's Write.
void WriteValue(const CPdfObject& object, CFile64& file);
