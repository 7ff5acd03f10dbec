#pragma once

#include <cstdint>
#include <set>

// What a run finds out about the source and its output, for the caller who
// asked for the report. The stages fill it only when it exists; the run
// words it and sends it once.
struct CRepairReport {
  enum class Encryption { none, kept, notOpened };

  // Damage seen in the source itself.
  bool xrefChecked = false;  // the cross-reference check ran
  bool xrefSound = false;    // every section found and true to the objects
  bool pageTreeSound = true;  // the source's own page tree holds together
  bool sourceCut = false;      // the source ends before its end: what followed is lost
  uint64_t brokenPieces = 0;   // pieces of objects that thorough recovery dropped
  uint64_t pagesContentBroken = 0;  // pages whose content breaks the token rules
  uint64_t streamsMalformed = 0;    // a /Filter of the wrong type, no proper line end after "stream"

  uint64_t pages = 0;
  int64_t pagesClaimed = -1;  // the largest /Count of a page-tree root; -1 for none
  uint64_t pagesContentLost = 0;
  uint64_t pagesFontsLost = 0;
  uint64_t objectsFound = 0;
  uint64_t objectsWritten = 0;
  uint64_t objectsDropped = 0;  // in the source, not made: the decode budget or memory ran out
  bool memoryRanOut = false;    // the parse stopped for want of memory: the rest of the source is unread
  std::set<uint32_t> missingObjects;  // referenced, defined nowhere
  uint64_t streamsMended = 0;
  uint64_t streamsCut = 0;
  uint64_t contentRewritten = 0;
  uint64_t fontsReplaced = 0;
  Encryption encryption = Encryption::none;

  uint64_t outlineItems = 0;
  uint64_t pageLabels = 0;
  uint64_t formFields = 0;
  uint64_t namedDestinations = 0;

  bool Damaged() const {
    return (xrefChecked && !xrefSound) || sourceCut || !pageTreeSound || brokenPieces != 0 || pagesContentBroken != 0 || streamsMalformed != 0 || streamsMended != 0 ||
           streamsCut != 0;
  }
};
