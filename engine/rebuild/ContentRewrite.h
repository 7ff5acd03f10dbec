#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a page's content leaves open from one of its streams to the next.
struct ContentState {
  uint64_t saves = 0;          // "q" not yet restored
  bool inText = false;         // inside "BT"
  bool currentPoint = false;   // a path is begun
  bool font = false;           // a font is chosen ("Tf", or maybe "gs")
  // The components of the fill and stroke colour spaces; 0 where a named
  // or pattern space leaves them unknown. Saved and restored with "q" and "Q".
  std::pair<uint8_t, uint8_t> colours{1, 1};
  std::vector<std::pair<uint8_t, uint8_t>> savedColours;
  uint64_t compatibility = 0;  // inside "BX": unknown operators are allowed
};

// Thorough recovery: content without the pieces readers stop on. Dropped
// are bytes no token begins with, strings that do not end, "]" and ">>"
// that close nothing, unknown operators (outside "BX"), operands an operator
// does not take (the surplus before those it takes, as readers count them),
// operators with too few operands or operands of the wrong type, what a show
// array holds besides numbers and strings, a "Q" or "ET" that closes
// nothing, path operators without a current point, text shown before any
// font is chosen and colours of another number of components than their
// space. An array still open
// at an operator is closed there. Everything else is copied as it is, with
// the white space and comments between, inline image data included.
//
// Answers whether something was dropped from content that has some content
// operator (bytes without any are left as they are); only then is
// `rewritten` the new content, and then, where the stream ends its page,
// what is still open is closed. `state` comes in as the page's previous stream left it and goes
// out as this one leaves it. The work is linear in the content.
bool RewriteContent(std::string_view content, ContentState& state, bool endsPage, std::string& rewritten);
