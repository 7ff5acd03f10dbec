#include "RepairReport.h"

#include <charconv>

namespace frontend {

RepairReport RepairReport::Parse(const std::string& text) {
  RepairReport report;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (const size_t equals = line.find('='); equals != std::string::npos && equals > 0) {
      report.m_facts.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    start = end + 1;
  }
  return report;
}

std::string RepairReport::Text() const {
  std::string text;
  for (const Fact& fact : m_facts) text.append(fact.first).append(1, '=').append(fact.second).append(1, '\n');
  return text;
}

std::optional<std::string> RepairReport::Value(const std::string& key) const {
  for (const Fact& fact : m_facts) {
    if (fact.first == key) return fact.second;
  }
  return std::nullopt;
}

std::optional<long long> RepairReport::Number(const std::string& key) const {
  const auto value = Value(key);
  if (!value || value->empty()) return std::nullopt;
  long long number = 0;
  const char* end = value->data() + value->size();
  const auto [stop, error] = std::from_chars(value->data(), end, number);
  if (error != std::errc() || stop != end) return std::nullopt;
  return number;
}

std::vector<std::string> RepairReport::Losses() const {
  std::vector<std::string> losses;
  for (const Fact& fact : m_facts) {
    if (fact.first == "loss" && !fact.second.empty()) losses.push_back(fact.second);
  }
  return losses;
}

std::string ReportSummary(const RepairReport& report) {
  const long long pages = report.Number("pages").value_or(0);
  std::string line = "结果：恢复 " + std::to_string(pages) + " 页";
  if (const auto claimed = report.Number("pages_claimed"); claimed && *claimed != pages) {
    line += "（原有 " + std::to_string(*claimed) + " 页）";
  }
  const std::vector<std::string> losses = report.Losses();
  if (losses.empty()) return line + (report.Damaged() ? "；没有发现缺失。" : "；来源文件没有损坏。");
  line += "；";
  for (size_t i = 0; i < losses.size(); ++i) line += (i == 0 ? "" : "，") + losses[i];
  return line + "。";
}

}  // namespace frontend
