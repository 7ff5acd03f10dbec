#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace frontend {

// What the engine found and got back in one run (msgReport): its facts in
// the engine's order, `key=value` each, `loss` possibly repeated.
class RepairReport {
 public:
  using Fact = std::pair<std::string, std::string>;

  static RepairReport Parse(const std::string& text);
  // The facts as the engine wrote them.
  std::string Text() const;

  bool Empty() const { return m_facts.empty(); }
  const std::vector<Fact>& Facts() const { return m_facts; }
  // The first value of the key.
  std::optional<std::string> Value(const std::string& key) const;
  // A whole decimal value; empty for none, null or anything else.
  std::optional<long long> Number(const std::string& key) const;
  bool Damaged() const { return Value("damaged") == "true"; }
  std::vector<std::string> Losses() const;

 private:
  std::vector<Fact> m_facts;
};

// One line for the user: the pages recovered, of the number the source
// claimed where it claimed one, then what was lost.
std::string ReportSummary(const RepairReport& report);

}  // namespace frontend
