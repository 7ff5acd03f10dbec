#include "rebuild/ContentRewrite.h"

#include <deque>
#include <utility>
#include <vector>

#include "rebuild/ContentOperators.h"
#include "rebuild/ContentTokens.h"

namespace {

using K = ContentTokenKind;

constexpr size_t kMostOperands = 33;      // readers keep no more before an operator
constexpr size_t kDeepest = 32;           // arrays and dictionaries within each other
constexpr size_t kMostElements = 1 << 16;  // held at once, for values that may be written anew
constexpr uint64_t kNoToken = UINT64_MAX;

struct Value {
  K kind = K::null;  // arrayOpen and dictOpen for the whole array or dictionary
  size_t start = 0;
  size_t end = 0;
  uint64_t first = 0;  // the numbers of its first and last tokens
  uint64_t last = 0;
  bool sound = true;    // usable, as it is or written anew
  bool closed = true;   // its "]" or ">>" is in the content
  bool rewrite = false;  // an array that held garbage or was not closed
  bool numbers = true;   // an array of numbers only
  bool shows = true;     // an array of numbers and strings only
  bool complete = true;  // every element recorded
  size_t count = 0;
  std::vector<Value> elements;  // of a value being read, and of an array operand
};

bool IsNumber(const Value& value) { return value.kind == K::number || value.kind == K::integer; }
bool IsShown(const Value& value) { return IsNumber(value) || value.kind == K::string; }

// The components of a device colour space named in content; 0 for others.
uint8_t SpaceComponents(std::string_view name) {
  if (name == "/DeviceGray" || name == "/G") return 1;
  if (name == "/DeviceRGB" || name == "/RGB") return 3;
  if (name == "/DeviceCMYK" || name == "/CMYK") return 4;
  return 0;
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (std::string_view candidate : names) {
    if (name == candidate) return true;
  }
  return false;
}

class CContentRewriter {
 public:
  CContentRewriter(std::string_view content, ContentState& state, std::string& out)
      : m_content(content), m_state(state), m_out(out), m_tokens(content) {}

  bool Run(bool endsPage);

 private:
  struct Numbered {
    ContentToken token;
    uint64_t number;
  };

  bool NextToken(Numbered& next);
  void OnToken(const Numbered& next);
  void Finish(Value value);
  void CloseOpenValues(bool takesArray);
  void OnOperator(const Numbered& next);
  void InlineImage(const Numbered& begin);
  bool TakeOperands(const ContentOperator& op, size_t& taken) const;
  bool Fits(const Value& value, OperandType type, std::string_view op) const;
  bool PathAllows(std::string_view op) const;
  void Track(std::string_view op);
  void EmitOperation(size_t taken, const Numbered& op, bool showArray);
  void EmitValue(const Value& value, bool showArray);
  void Emit(uint64_t first, uint64_t last, size_t start, size_t end);
  std::string_view Text(const ContentToken& token) const {
    return m_content.substr(token.start, token.end - token.start);
  }
  std::string_view Text(const Value& value) const { return m_content.substr(value.start, value.end - value.start); }

  std::string_view m_content;
  ContentState& m_state;
  std::string& m_out;
  CContentTokenizer m_tokens;
  uint64_t m_count = 0;  // tokens read
  bool m_holding = false;
  Numbered m_held{};
  std::deque<Value> m_pending;
  std::vector<Value> m_open;  // arrays and dictionaries not yet closed
  size_t m_tooDeep = 0;       // opened past kDeepest
  size_t m_stored = 0;        // elements held by the values being read, within kMostElements
  bool m_dropped = false;
  bool m_known = false;  // some content operator is met, kept or not
  uint64_t m_lastEmitted = kNoToken;
  size_t m_lastEnd = 0;
  bool m_afterOperator = false;
};

bool CContentRewriter::NextToken(Numbered& next) {
  if (m_holding) {
    m_holding = false;
    next = m_held;
    return true;
  }
  if (!m_tokens.Next(next.token)) return false;
  next.number = m_count++;
  return true;
}

bool CContentRewriter::Run(bool endsPage) {
  Numbered next;
  while (NextToken(next)) OnToken(next);
  if (!m_open.empty() || m_tooDeep != 0) m_dropped = true;
  if (!m_pending.empty()) {
    // Operands at the end of a stream may be those of an operator in the
    // page's next stream.
    if (endsPage) {
      m_dropped = true;
    } else {
      for (const Value& value : m_pending) EmitValue(value, false);
    }
  }
  if (m_lastEmitted + 1 == m_count) m_out.append(m_content.substr(m_lastEnd));
  if (m_dropped && m_known && endsPage) {
    const bool open = m_state.inText || m_state.saves != 0;
    if (open && !m_out.empty() && m_out.back() != '\n' && m_out.back() != '\r') m_out += '\n';
    if (m_state.inText) m_out += "ET\n";
    for (; m_state.saves != 0; --m_state.saves) m_out += "Q\n";
    m_state.inText = false;
  }
  // Bytes without a single content operator are no content this rewriting
  // knows.
  return m_dropped && m_known;
}

void CContentRewriter::OnToken(const Numbered& next) {
  const ContentToken& token = next.token;
  Value value;
  value.kind = token.kind;
  value.start = token.start;
  value.end = token.end;
  value.first = value.last = next.number;
  switch (token.kind) {
    case K::keyword:
      OnOperator(next);
      return;
    case K::bad:
      m_dropped = true;
      if (m_open.size() == 1 && m_open.back().kind == K::arrayOpen) {
        m_open.back().rewrite = true;
      } else if (!m_open.empty()) {
        m_open.back().sound = false;
      }
      return;
    case K::arrayOpen:
    case K::dictOpen:
      if (m_open.size() >= kDeepest) {
        ++m_tooDeep;
        m_open.back().sound = false;
        m_dropped = true;
      } else {
        m_open.push_back(std::move(value));
      }
      return;
    case K::arrayClose:
    case K::dictClose: {
      if (m_tooDeep != 0) {
        --m_tooDeep;
        return;
      }
      const K opener = token.kind == K::arrayClose ? K::arrayOpen : K::dictOpen;
      if (m_open.empty() || m_open.back().kind != opener) {
        m_dropped = true;
        if (!m_open.empty()) m_open.back().sound = false;
        return;
      }
      Value closed = std::move(m_open.back());
      m_open.pop_back();
      closed.end = token.end;
      closed.last = next.number;
      if (closed.kind == K::dictOpen && closed.count % 2 != 0) closed.sound = false;
      Finish(std::move(closed));
      return;
    }
    default:
      Finish(std::move(value));
      return;
  }
}

// A value read: an element of the array or dictionary open, else an operand.
void CContentRewriter::Finish(Value value) {
  if (m_open.empty()) {
    m_pending.push_back(std::move(value));
    if (m_pending.size() > kMostOperands) {
      m_pending.pop_front();
      m_dropped = true;
    }
    return;
  }
  Value& into = m_open.back();
  if (into.kind == K::dictOpen) {
    if ((into.count % 2 == 0 && value.kind != K::name) || !value.sound) into.sound = false;
  } else {
    into.numbers = into.numbers && IsNumber(value);
    into.shows = into.shows && IsShown(value);
    if (!value.sound && m_open.size() > 1) into.sound = false;
  }
  // A value closed in its place is copied whole: its elements are not needed.
  m_stored -= value.elements.size();
  value.elements = {};
  if (m_stored < kMostElements) {
    into.elements.push_back(std::move(value));
    ++m_stored;
  } else {
    into.complete = false;
  }
  ++into.count;
}

// An operator ends the arrays and dictionaries still open. The outermost
// array is closed where it stands for an operator that takes one; the rest
// are undone: the values they hold become those of the value around them,
// or operands, as if their opening bracket were not there.
void CContentRewriter::CloseOpenValues(bool takesArray) {
  m_dropped = true;
  m_tooDeep = 0;
  while (!m_open.empty()) {
    Value value = std::move(m_open.back());
    m_open.pop_back();
    if (m_open.empty() && takesArray && value.kind == K::arrayOpen) {
      value.closed = false;
      value.rewrite = true;
      value.last = value.first;
      Finish(std::move(value));
      return;
    }
    for (Value& element : value.elements) {
      if (element.sound) Finish(std::move(element));
    }
  }
}

void CContentRewriter::OnOperator(const Numbered& next) {
  const std::string_view name = Text(next.token);
  if (!m_open.empty() || m_tooDeep != 0) CloseOpenValues(name == "TJ" || name == "d");
  if (name == "BI") {
    InlineImage(next);
    return;
  }
  // Inline image data outside "BI" is no operator even where unknown ones
  // are allowed.
  const bool imageData = name == "ID" || name == "EI";
  const ContentOperator* op = imageData ? nullptr : FindContentOperator(name);
  if (op != nullptr) m_known = true;
  if (op == nullptr) {
    if (m_state.compatibility == 0 || imageData) {
      // Its operands stay: they may be those of the next operator.
      m_dropped = true;
      return;
    }
    EmitOperation(m_pending.size(), next, false);
    return;
  }
  size_t taken = 0;
  if (!TakeOperands(*op, taken) || (name == "Q" && m_state.saves == 0) || (name == "ET" && !m_state.inText) ||
      !PathAllows(name) || (!m_state.font && IsOneOf(name, {"Tj", "TJ", "'", "\""}))) {
    m_dropped = true;
    m_pending.clear();
    m_stored = 0;
    return;
  }
  Track(name);
  EmitOperation(taken, next, name == "TJ");
}

bool CContentRewriter::TakeOperands(const ContentOperator& op, size_t& taken) const {
  const size_t count = m_pending.size();
  if (op.minimum == op.count) {
    if (count < op.count) return false;
    for (size_t i = 0; i < op.count; ++i) {
      if (!Fits(m_pending[count - op.count + i], op.types[i], op.name)) return false;
    }
    taken = op.count;
    return true;
  }
  // A colour: numbers, the last of them maybe a pattern's name.
  size_t run = 0;
  if (op.types[0] == OperandType::colour && count != 0 && m_pending[count - 1].kind == K::name) run = 1;
  while (run < count && run < op.count && IsNumber(m_pending[count - 1 - run])) ++run;
  taken = run;
  if (run < op.minimum) return false;
  // A device colour has as many components as its space.
  const bool stroke = op.name[0] == 'S';
  const uint8_t components = stroke ? m_state.colours.second : m_state.colours.first;
  if (components == 0) return true;
  // A pattern's name belongs to a pattern space, whose components are unknown.
  if (m_pending[count - 1].kind == K::name || run < components) return false;
  taken = components;
  return true;
}

bool CContentRewriter::Fits(const Value& value, OperandType type, std::string_view op) const {
  switch (type) {
    case OperandType::number:
      return IsNumber(value);
    case OperandType::integer:
      return value.kind == K::integer;
    case OperandType::name:
      return value.kind == K::name;
    case OperandType::string:
      return value.kind == K::string;
    case OperandType::array: {
      if (value.kind != K::arrayOpen || !value.sound) return false;
      const bool rewrite = value.rewrite || (op == "TJ" && !value.shows);
      if (rewrite && !value.complete) return false;
      return op == "TJ" || value.numbers;
    }
    case OperandType::properties:
      return value.kind == K::name || (value.kind == K::dictOpen && value.sound && value.closed);
    case OperandType::colour:
      return false;
  }
  return false;
}

// A path goes on from its current point only.
bool CContentRewriter::PathAllows(std::string_view op) const {
  return m_state.currentPoint || !IsOneOf(op, {"l", "c", "v", "y", "h"});
}

void CContentRewriter::Track(std::string_view op) {
  if (op == "q") {
    ++m_state.saves;
    m_state.savedColours.push_back(m_state.colours);
  } else if (op == "Q") {
    --m_state.saves;
    if (!m_state.savedColours.empty()) {
      m_state.colours = m_state.savedColours.back();
      m_state.savedColours.pop_back();
    }
  } else if (op == "BT" || op == "ET") {
    m_state.inText = op == "BT";
  } else if (op == "BX") {
    ++m_state.compatibility;
  } else if (op == "EX") {
    if (m_state.compatibility != 0) --m_state.compatibility;
  } else if (op == "Tf" || op == "gs") {
    m_state.font = true;
  } else if (IsOneOf(op, {"g", "rg", "k", "G", "RG", "K", "cs", "CS"})) {
    const uint8_t components = op == "cs" || op == "CS" ? SpaceComponents(Text(m_pending.back()))
                               : op[0] == 'g' || op[0] == 'G' ? 1
                               : op[0] == 'k' || op[0] == 'K' ? 4
                                                              : 3;
    (op[0] >= 'a' ? m_state.colours.first : m_state.colours.second) = components;
  } else if (op == "m" || op == "re") {
    m_state.currentPoint = true;
  } else if (IsOneOf(op, {"S", "s", "f", "F", "f*", "B", "B*", "b", "b*", "n"})) {
    m_state.currentPoint = false;
  }
}

// From "BI" past the "EI" that ends its data, copied as it is. An image
// without "ID" or without the end of its data is dropped.
void CContentRewriter::InlineImage(const Numbered& begin) {
  m_known = true;
  if (!m_pending.empty()) m_dropped = true;
  m_pending.clear();
  Numbered next;
  while (NextToken(next)) {
    if (next.token.kind != K::keyword) continue;
    if (Text(next.token) != "ID") {
      m_dropped = true;
      m_holding = true;
      m_held = next;
      return;
    }
    const size_t end = PastInlineImageData(m_content, next.token.end);
    if (end == std::string_view::npos) break;
    m_tokens.SkipTo(end);
    Emit(begin.number, m_count++, begin.token.start, end);
    m_afterOperator = true;
    return;
  }
  m_dropped = true;
  m_tokens.SkipTo(m_content.size());
}

void CContentRewriter::EmitOperation(size_t taken, const Numbered& op, bool showArray) {
  if (m_pending.size() > taken) m_dropped = true;
  for (size_t i = m_pending.size() - taken; i < m_pending.size(); ++i) EmitValue(m_pending[i], showArray);
  m_pending.clear();
  m_stored = 0;
  Emit(op.number, op.number, op.token.start, op.token.end);
  m_afterOperator = true;
}

// An array that held garbage, was not closed or is shown with more than
// numbers and strings is written anew from the elements it keeps.
void CContentRewriter::EmitValue(const Value& value, bool showArray) {
  if (!value.sound) {
    m_dropped = true;
    return;
  }
  const bool filter = showArray && !value.shows;
  if (value.kind != K::arrayOpen || (!value.rewrite && !filter)) {
    Emit(value.first, value.last, value.start, value.end);
    return;
  }
  Emit(value.first, value.first, value.start, value.start + 1);
  for (const Value& element : value.elements) {
    if ((filter && !IsShown(element)) || !element.sound || !element.closed) {
      m_dropped = true;
      continue;
    }
    Emit(element.first, element.last, element.start, element.end);
  }
  if (value.closed) {
    Emit(value.last, value.last, value.end - 1, value.end);
  } else {
    m_out += ']';
    m_lastEmitted = kNoToken - 1;
  }
}

// Bytes of the content; the white space and comments before them are kept
// where nothing between was dropped.
void CContentRewriter::Emit(uint64_t first, uint64_t last, size_t start, size_t end) {
  if (m_lastEmitted + 1 == first) {
    m_out.append(m_content.substr(m_lastEnd, start - m_lastEnd));
  } else if (!m_out.empty()) {
    m_out += m_afterOperator ? '\n' : ' ';
  }
  m_out.append(m_content.substr(start, end - start));
  m_lastEmitted = last;
  m_lastEnd = end;
  m_afterOperator = false;
}

}  // namespace

bool RewriteContent(std::string_view content, ContentState& state, bool endsPage, std::string& rewritten) {
  rewritten.clear();
  CContentRewriter rewriter(content, state, rewritten);
  return rewriter.Run(endsPage);
}
