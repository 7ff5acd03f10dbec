#pragma once

#include <cstdint>
#include <string_view>

// What an operand of a content operator may be.
enum class OperandType : uint8_t {
  number,   // integer or real
  integer,
  name,
  string,   // literal or hexadecimal
  array,
  properties,  // a name or a dictionary
  colour,      // the numbers of a colour, the last of them maybe a pattern name
};

// A content operator: how many operands it takes and of what type. Colour
// operators take from `minimum` to `count` operands of their one type.
struct ContentOperator {
  std::string_view name;
  uint8_t minimum;
  uint8_t count;
  OperandType types[6];
};

// The operator of that name, or null for a word that is no content operator.
const ContentOperator* FindContentOperator(std::string_view name);
