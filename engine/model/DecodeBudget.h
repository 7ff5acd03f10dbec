#pragma once

#include <cstddef>
#include <cstdint>

// What one run may decode, relative to the source's length: a file of a few
// kilobytes can hold data that inflates a thousandfold, and values made from
// decoded bytes take many times their size. Every decoding stage (object
// streams, predictors, fonts, content, the output's checks, and whatever
// later stage decodes or rewrites data) asks the budget before it decodes
// and spends on it what it decoded; values made from decoded bytes spend the
// memory they take. Once it is spent, decoding stops and what was decoded
// stays.
class CDecodeBudget {
 public:
  // Real files inflate their object streams to a few times their size; the
  // allowance leaves small files room for ordinary content.
  static constexpr uint64_t kSourceFactor = 32;
  static constexpr uint64_t kAllowance = 16u << 20;

  // The budget for a source of `sourceLength` bytes, all of it left.
  void Start(uint64_t sourceLength);
  bool Started() const { return m_started; }

  // The most a decode of at most `wanted` bytes may produce now.
  size_t Allowance(size_t wanted) const { return wanted < m_left ? wanted : static_cast<size_t>(m_left); }
  // Whether `bytes` more fit in what is left.
  bool Holds(uint64_t bytes) const { return bytes <= m_left; }
  void Spend(uint64_t bytes) { m_left -= bytes < m_left ? bytes : m_left; }
  bool Spent() const { return m_left == 0; }
  // A decode that the budget stopped short, or refused, or values not made
  // because they would not fit.
  void NoteShortfall() { ++m_shortfalls; }

  uint64_t Total() const { return m_total; }
  uint64_t Used() const { return m_total - m_left; }
  uint64_t Shortfalls() const { return m_shortfalls; }

 private:
  uint64_t m_total = 0;
  uint64_t m_left = 0;
  uint64_t m_shortfalls = 0;
  bool m_started = false;
};
