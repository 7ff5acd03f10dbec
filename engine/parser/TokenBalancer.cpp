#include "parser/TokenBalancer.h"

#include <vector>

#include "parser/GrammarSupport.h"

namespace {

struct QueuedToken {
  int token;
  TokenValue value;
};

// What the tokenizer is inside of, as far as the tokens tell.
enum class Inside { nothing, literalString, hexString, streamData };

// The grammar's stack holds 10000 states, two for each open container: an
// object nested deeper would end the parse, and every object after it would
// be lost. Deeper containers are flattened into the deepest one kept.
constexpr size_t kDeepestContainers = 4000;

struct Balancer {
  std::vector<int> open;  // the openers of the containers of the current object
  size_t flattened = 0;   // openers left out beyond kDeepestContainers
  Inside inside = Inside::nothing;
  bool inObject = false;
  // The tokens planned for the grammar, taken from `next` on; emptied (its
  // room kept) once all are taken, so that planning allocates nothing.
  std::vector<QueuedToken> queue;
  size_t next = 0;
};
Balancer g_balancer;

bool OwnsObject(int token) { return token >= TOKEN_BOOLEAN && token <= TOKEN_INDIRECT_REF; }

void Emit(int token, const TokenValue* value = nullptr) {
  QueuedToken queued{token, {}};
  if (value != nullptr) queued.value = *value;
  g_balancer.queue.push_back(queued);
}

int CloserOf(int opener) {
  return opener == TOKEN_LEFT_SQUARE_BRACKET ? TOKEN_RIGHT_SQUARE_BRACKET : TOKEN_DBL_RIGHT_ANGLE_BRACKET;
}

void CloseObject() {
  for (auto opener = g_balancer.open.rbegin(); opener != g_balancer.open.rend(); ++opener) Emit(CloserOf(*opener));
  g_balancer.open.clear();
  g_balancer.flattened = 0;
  Emit(TOKEN_ENDOBJ);
  g_balancer.inObject = false;
}

// A closer closes the innermost container it matches, and every container
// opened inside that one; without a match it is dropped.
void Close(int opener, int closer) {
  std::vector<int>& open = g_balancer.open;
  size_t match = open.size();
  while (match > 0 && open[match - 1] != opener) --match;
  if (match == 0) return;
  while (open.size() > match) {
    Emit(CloserOf(open.back()));
    open.pop_back();
  }
  open.pop_back();
  Emit(closer);
}

// Tokens inside a string or stream data other than their content, which
// passes straight; answers false when the token lies outside them, after the
// cut-off piece was closed.
bool PlanInside(int token, const TokenValue& value) {
  Inside& inside = g_balancer.inside;
  const bool end = (inside == Inside::literalString && token == TOKEN_RIGHT_PAREN) ||
                   (inside == Inside::hexString && token == TOKEN_RIGHT_ANGLE_BRACKET) ||
                   (inside == Inside::streamData && token == TOKEN_ENDSTREAM) || token == TOKEN_CUT;
  if (end) {
    inside = Inside::nothing;
    Emit(token, &value);
    return true;
  }
  // A hexadecimal string ends at any other byte without a closer, and the
  // others at the end of the input: the piece is cut off.
  inside = Inside::nothing;
  Emit(TOKEN_CUT);
  return false;
}

void Plan(int token, const TokenValue& value) {
  if (g_balancer.inside != Inside::nothing && PlanInside(token, value)) return;
  Balancer& b = g_balancer;
  switch (token) {
    case TOKEN_LEFT_PAREN: b.inside = Inside::literalString; break;
    case TOKEN_LEFT_ANGLE_BRACKET: b.inside = Inside::hexString; break;
    case TOKEN_STREAM: b.inside = Inside::streamData; break;
    case TOKEN_OBJ:
      if (b.inObject) {
        // A bare "obj" inside an object is a stray keyword, not a header.
        if (value.key == kUnknownObjectKey) return;
        CloseObject();
      }
      b.inObject = true;
      break;
    case TOKEN_ENDOBJ:
      if (b.inObject) {
        CloseObject();
        return;
      }
      break;
    case TOKEN_SECTION:
      if (b.inObject) CloseObject();
      // A trailer's dictionary is read like an object's value.
      if (value.byte == 't') {
        TokenValue trailer{};
        trailer.key = kTrailerKey;
        Emit(TOKEN_OBJ, &trailer);
        b.inObject = true;
      }
      return;
    case 0:
      if (b.inObject) CloseObject();
      break;
    case TOKEN_LEFT_SQUARE_BRACKET:
    case TOKEN_DBL_LEFT_ANGLE_BRACKET:
      if (b.inObject && b.open.size() >= kDeepestContainers) {
        ++b.flattened;
        return;
      }
      if (b.inObject) b.open.push_back(token);
      break;
    case TOKEN_RIGHT_SQUARE_BRACKET:
    case TOKEN_DBL_RIGHT_ANGLE_BRACKET:
      if (b.inObject && b.flattened > 0) {
        --b.flattened;
        return;
      }
      if (b.inObject) {
        return Close(token == TOKEN_RIGHT_SQUARE_BRACKET ? TOKEN_LEFT_SQUARE_BRACKET : TOKEN_DBL_LEFT_ANGLE_BRACKET, token);
      }
      break;
    default: break;
  }
  Emit(token, &value);
}

// Most tokens go to the grammar as they are, and need no plan: values in
// an object, and the content of the string or stream data being read.
bool PassesStraight(int token) {
  const Balancer& b = g_balancer;
  switch (b.inside) {
    case Inside::nothing: return b.inObject && OwnsObject(token);
    case Inside::literalString: return token == TOKEN_LITSTR_BYTES || token == TOKEN_LITSTR_RUN;
    case Inside::hexString: return token == TOKEN_HEXSTR_BYTES;
    case Inside::streamData: return token == TOKEN_STREAM_BYTE || token == TOKEN_STREAM_RUN;
  }
  return false;
}

}  // namespace

int NextBalancedToken(TokenValue* value) {
  Balancer& b = g_balancer;
  if (b.next == b.queue.size()) {
    b.queue.clear();
    b.next = 0;
  }
  while (b.queue.empty()) {
    TokenValue read{};
    const int token = NextTokenGuarded(&read);
    if (PassesStraight(token)) {
      *value = read;
      return token;
    }
    try {
      Plan(token, read);
    } catch (...) {
      if (OwnsObject(token)) delete read.object;
      SaveParseFailure();
      return 0;
    }
  }
  const QueuedToken& next = b.queue[b.next++];
  *value = next.value;
  return next.token;
}

void ResetTokenBalancer() noexcept {
  for (size_t i = g_balancer.next; i < g_balancer.queue.size(); ++i) {
    if (OwnsObject(g_balancer.queue[i].token)) delete g_balancer.queue[i].value.object;
  }
  g_balancer.queue.clear();
  g_balancer.next = 0;
  g_balancer.open.clear();
  g_balancer.flattened = 0;
  g_balancer.inside = Inside::nothing;
  g_balancer.inObject = false;
}
