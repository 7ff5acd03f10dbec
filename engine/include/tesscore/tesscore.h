/* The repair engine's public interface: the only engine header the front ends
   include. One call repairs one file; the engine talks back through the
   progress callback with the message codes below. */
#ifndef TESSCORE_TESSCORE_H
#define TESSCORE_TESSCORE_H

#include <stdint.h>

#if defined(TESSCORE_BUILDING)
#define TESSCORE_EXPORT __attribute__((visibility("default")))
#else
#define TESSCORE_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Messages the engine sends; a receiver ignores codes it does not know. */
enum MessageCode {
  msgProgress = 0,    /* data: pointer to one unsigned byte, 0 to 100 */
  msgSourcePath = 11, /* data: the source path, NUL-terminated */
  msgLogLine = 44,    /* data: one log line, NUL-terminated */
  msgQueryStop = 51,  /* data: null; answer nonzero to stop the run */
  msgError = 53,      /* data: an error text, NUL-terminated */
  msgQueryPassword = 57, /* data: pointer to a PasswordQuery; see below */
  msgReport = 60         /* data: the report text, NUL-terminated UTF-8; see below */
};

/* Bits of the version option word below the output version. With every bit
   clear, the engine's output and messages are the default ones. */
#define TESSCORE_OPTION_THOROUGH 0x1u /* resynchronise inside damaged objects: recovers more, takes longer */
#define TESSCORE_OPTION_BATCHED_MESSAGES 0x2u /* stop question and progress at most once per 64 KiB read */
#define TESSCORE_OPTION_PASSWORD_QUERY 0x4u /* msgQueryPassword when the empty user password does not open the source */
#define TESSCORE_OPTION_REPORT 0x8u /* msgReport with what the repair found, once per run */

/* The longest password the engine takes, in bytes (after SASLprep for
   AES-256 files of revision 6). */
#define TESSCORE_PASSWORD_MAX 127

/* msgQueryPassword: sent only with TESSCORE_OPTION_PASSWORD_QUERY set, when
   the source is encrypted with the Standard security handler and the empty
   user password does not open it. The receiver either answers 0 (no
   password: the repair fails) or sets `password` and `length` and answers
   nonzero. The bytes may hold any value, NUL included; they must stay valid
   until the callback is called again or RepairPdfFile returns, and the
   engine copies them at once. A null `password`, a `length` of 0 or one over
   TESSCORE_PASSWORD_MAX count as no password. Either the user or the owner
   password opens the source. After a wrong answer the engine asks again,
   with `attempt` one higher; after the third wrong answer the repair fails.
   Without the bit nobody is asked, and a source that the empty user
   password does not open fails at once. Either way a failure is one
   msgError that names the cause, and the result 0. The engine never shows a
   password in any message. */
typedef struct PasswordQuery {
  int32_t attempt;      /* 1, 2 or 3 */
  const char* password; /* set by the receiver */
  uint32_t length;      /* set by the receiver: bytes in password */
} PasswordQuery;

/* msgReport: sent only with TESSCORE_OPTION_REPORT set, once per run, just
   before the final progress 100, whenever the source was opened: also when
   the repair fails after that, with what was known by then (pages=0 and so
   on). Not sent when the source could not be opened. The text holds one
   fact per line, lines separated by '\n', each line `key=value`. A value is
   a decimal integer, `true` or `false`, `null`, a lowercase word, a list of
   decimal integers separated by single spaces (possibly empty), or, for
   `loss`, a short user text in Chinese. Only `loss` may repeat. The keys, in
   this order:
     damaged                 true when the source needed a repair at all:
                             its cross-reference table or stream missing or
                             not true to the objects, its trailer lost,
                             stream lengths wrong, objects broken, stream
                             data cut or malformed, page content that does
                             not decode or breaks the token rules, its page
                             tree at fault, or the file cut off before its
                             end
     pages                   pages in the output
     pages_claimed           the largest /Count of a page-tree root that
                             survived, or null without one
     pages_content_lost      pages whose content stream is lost
     pages_fonts_lost        pages that use a font that was lost or that the
                             standard font stands in for
     objects_found           object definitions found in the source
     objects_written         objects written to the output
     objects_dropped         objects the source holds that were not made:
                             the decode budget (relative to the source's
                             length) or memory ran out
     missing_objects         object numbers referenced and defined nowhere
     missing_object_numbers  the first 20 of them, ascending
     streams_mended          stream lengths set or corrected
     streams_cut             streams whose data ends early
     content_rewritten       content streams rewritten
     fonts_replaced          fonts the standard font stands in for
     encryption              none, kept (the source was encrypted, opened
                             and the output is encrypted again) or
                             not-opened
     outline_items           outline items kept, every level counted
     page_labels             page-label ranges kept
     form_fields             form fields kept, their field kids counted
     named_destinations      named destinations kept
     loss                    one line per kind of loss, e.g.
                             "3 个页面的内容丢失"; none when nothing known
                             was lost, and at least one when the output has
                             fewer pages than pages_claimed
   A receiver ignores keys it does not know. */

/* Data pointers are valid only during the call. The answer is read only for
   msgQueryStop and msgQueryPassword. */
typedef int32_t (*ProgressCallback)(int32_t code, void* data, void* userData);

typedef struct EngineCallRecord {
  const char* sourcePath;      /* the damaged file to read */
  int32_t reserved;            /* always 0; never read */
  uint32_t versionOption;      /* bits 16-31: output minor version 0-6;
                                  bits 0-15: the TESSCORE_OPTION_ bits */
  const char* destinationPath; /* the repaired file to create */
  ProgressCallback callback;   /* may be null */
  void* userData;              /* handed back as the callback's third argument */
} EngineCallRecord;

/* Repairs one file. Returns 1 when the repaired file was written completely,
   0 otherwise; every failure is reported through msgError first. Only one run
   is active in a process: a call from another thread waits for the running
   one; a call from inside the callback answers 0 at once. */
TESSCORE_EXPORT int RepairPdfFile(const EngineCallRecord* record);

#ifdef __cplusplus
}
#endif

#endif
