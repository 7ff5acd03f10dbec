/* The recovery grammar: complete "N G obj ... endobj" objects go into the
   object table; one error production at the top level drops everything
   else and resumes at the next object header. Syntax errors are never
   reported. The stack starts at 200 entries and ends the parse at 10000. */
%require "3.8"
%define api.pure full

%code requires {
#include <cstdint>

#include "model/PdfObject.h"

class CPdfDictionary;

// One or two bytes of literal-string content, or one hexadecimal-string byte.
struct BytePiece {
  uint8_t length;
  char bytes[2];
};

// Consecutive stream bytes, or plain literal-string bytes, taken together,
// in the scanner's buffer; valid
// until the next token is read. The token's value points to it: a value of
// one word keeps every parser step's copy of it a single move.
struct ByteRun {
  const char* data;
  uint32_t length;
};
}

%union TokenValue {
  CPdfObject* object;
  CPdfText* text;
  CPdfArray* array;
  CPdfDictionary* dictionary;
  CByteArray* bytes;
  CStreamData* streamData;
  BytePiece piece;
  uint8_t byte;
  PdfObjectKey key;
  const ByteRun* run;
}

%code {
#include "parser/GrammarSupport.h"

static int yylex(TokenValue* value) { return NextTokenGuarded(value); }
static void yyerror(const char*) {}

// An allocation that fails inside an action ends the parse; the failure is
// raised again by ParseTokens once the stack has been cleaned up. The parser
// does not reclaim the symbols of the rule whose action aborts, so the action
// releases its own right-hand side first.
#define GUARDED(statement, release)     \
  do {                                  \
    try {                               \
      statement;                        \
    } catch (...) {                     \
      SaveParseFailure();               \
      release;                          \
      YYABORT;                          \
    }                                   \
  } while (0)
}

%token <object> TOKEN_BOOLEAN 258 TOKEN_INTEGER 259 TOKEN_REAL 260 TOKEN_NAME 261
%token <object> TOKEN_NULL 262 TOKEN_INDIRECT_REF 263
%token TOKEN_LEFT_PAREN 264 TOKEN_RIGHT_PAREN 265
%token <piece> TOKEN_LITSTR_BYTES 266
%token TOKEN_LEFT_ANGLE_BRACKET 267 TOKEN_RIGHT_ANGLE_BRACKET 268
%token <piece> TOKEN_HEXSTR_BYTES 269
%token TOKEN_LEFT_SQUARE_BRACKET 270 TOKEN_RIGHT_SQUARE_BRACKET 271
%token TOKEN_DBL_LEFT_ANGLE_BRACKET 272 TOKEN_DBL_RIGHT_ANGLE_BRACKET 273
%token TOKEN_STREAM 274 TOKEN_ENDSTREAM 275
%token <byte> TOKEN_STREAM_BYTE 276
%token <key> TOKEN_OBJ 277
%token TOKEN_ENDOBJ 278
%token <run> TOKEN_STREAM_RUN 279
/* Only thorough recovery's tokenizer gives these two: the end of a string or
   stream that the next object header cut off, and a file section keyword. */
%token TOKEN_CUT 280 TOKEN_SECTION 281
/* Plain bytes of a literal string taken together, as stream runs are. */
%token <run> TOKEN_LITSTR_RUN 282

%type <object> object stream
%type <text> litstr_bytes litstr hexstr_bytes hexstr string
%type <array> array_objects array
%type <dictionary> dict_objects dict
%type <streamData> stream_bytes

%destructor { delete $$; } TOKEN_BOOLEAN TOKEN_INTEGER TOKEN_REAL TOKEN_NAME TOKEN_NULL
%destructor { delete $$; } TOKEN_INDIRECT_REF object stream
%destructor { delete $$; } litstr_bytes litstr hexstr_bytes hexstr string
%destructor { delete $$; } array_objects array
%destructor { delete $$; } dict_objects dict
%destructor { delete $$; } stream_bytes

%start pdf

%%

pdf: indirect_objects ;

indirect_objects: %empty
                | indirect_objects indirect_object
                | indirect_objects error
                ;

indirect_object: TOKEN_OBJ object TOKEN_ENDOBJ  { GUARDED(AddIndirectObject($1, $2), delete $2); } ;

object: TOKEN_BOOLEAN
      | TOKEN_INTEGER
      | TOKEN_REAL
      | TOKEN_NAME
      | TOKEN_NULL
      | TOKEN_INDIRECT_REF
      | string                                  { $$ = $1; }
      | array                                   { $$ = $1; }
      | dict                                    { $$ = $1; }
      | stream
      ;

litstr_bytes: %empty                            { GUARDED($$ = NewString(), {}); }
            | litstr_bytes TOKEN_LITSTR_BYTES   { GUARDED(AppendPiece($1, $2), delete $1); $$ = $1; }
            | litstr_bytes TOKEN_LITSTR_RUN     { GUARDED($1->Append($2->data, $2->length), delete $1); $$ = $1; }
            ;
litstr: TOKEN_LEFT_PAREN litstr_bytes TOKEN_RIGHT_PAREN { GUARDED(Delimit($2, '(', ')'), delete $2); $$ = $2; } ;

hexstr_bytes: %empty                            { GUARDED($$ = NewString(), {}); }
            | hexstr_bytes TOKEN_HEXSTR_BYTES   { GUARDED(AppendPiece($1, $2), delete $1); $$ = $1; }
            ;
hexstr: TOKEN_LEFT_ANGLE_BRACKET hexstr_bytes TOKEN_RIGHT_ANGLE_BRACKET { GUARDED(Delimit($2, '<', '>'), delete $2); $$ = $2; } ;

string: litstr
      | hexstr
      ;

array_objects: %empty                           { GUARDED($$ = new CPdfArray, {}); }
             | array_objects object             { GUARDED($1->Add($2), { delete $1; delete $2; }); $$ = $1; }
             ;
array: TOKEN_LEFT_SQUARE_BRACKET array_objects TOKEN_RIGHT_SQUARE_BRACKET { $2->Complete(); $$ = $2; } ;

dict_objects: %empty                            { GUARDED($$ = new CPdfDictionary, {}); }
            | dict_objects TOKEN_NAME object    { GUARDED(SetEntry($1, $2, $3), { delete $1; delete $2; delete $3; }); $$ = $1; }
            ;
dict: TOKEN_DBL_LEFT_ANGLE_BRACKET dict_objects TOKEN_DBL_RIGHT_ANGLE_BRACKET { $2->Complete(); $$ = $2; } ;

stream_bytes: %empty                            { GUARDED($$ = NewStreamData($<dictionary>-1), {}); }
            | stream_bytes TOKEN_STREAM_BYTE    { GUARDED($1->push_back(static_cast<char>($2)), delete $1); $$ = $1; }
            | stream_bytes TOKEN_STREAM_RUN     { GUARDED($1->append($2->data, $2->length), delete $1); $$ = $1; }
            ;
stream: dict TOKEN_STREAM stream_bytes TOKEN_ENDSTREAM { GUARDED($$ = NewStream($1, $3), { delete $1; delete $3; }); } ;

%%

int ParseTokens() {
  ClearParseFailure();
  return FinishParse(yyparse());
}
