#include "core/ReportText.h"

#include <string>
#include <string_view>

#include "base/EngineStrings.h"
#include "model/RepairReport.h"

namespace {

// Numbers past this many are counted, not listed.
constexpr size_t kListedMissingNumbers = 20;

class CReportLines {
 public:
  void Add(std::string_view key, std::string_view value) {
    if (!m_text.empty()) m_text += '\n';
    m_text.append(key);
    m_text += '=';
    m_text.append(value);
  }
  void Add(std::string_view key, uint64_t value) { Add(key, std::to_string(value)); }
  void AddFlag(std::string_view key, bool value) { Add(key, value ? "true" : "false"); }
  std::string Take() { return std::move(m_text); }

 private:
  std::string m_text;
};

std::string_view EncryptionWord(CRepairReport::Encryption encryption) {
  switch (encryption) {
    case CRepairReport::Encryption::kept: return "kept";
    case CRepairReport::Encryption::notOpened: return "not-opened";
    case CRepairReport::Encryption::none: break;
  }
  return "none";
}

std::string MissingNumbers(const CRepairReport& report) {
  std::string numbers;
  size_t listed = 0;
  for (const uint32_t number : report.missingObjects) {
    if (listed++ == kListedMissingNumbers) break;
    if (!numbers.empty()) numbers += ' ';
    numbers += std::to_string(number);
  }
  return numbers;
}

void AddLosses(const CRepairReport& report, CReportLines& lines) {
  const auto counted = [&](uint64_t count, const char* text) {
    if (count != 0) lines.Add("loss", std::to_string(count) + text);
  };
  if (report.encryption == CRepairReport::Encryption::notOpened) lines.Add("loss", "文档已加密且无法打开，内容未能恢复");
  if (report.sourceCut) lines.Add("loss", "来源文件不完整，截断处之后的内容丢失");
  if (report.pagesClaimed >= 0 && report.pages < static_cast<uint64_t>(report.pagesClaimed)) {
    lines.Add("loss", "文档页数少于原来的 " + std::to_string(report.pagesClaimed) + " 页");
  }
  counted(report.pagesContentLost, " 个页面的内容丢失");
  counted(report.pagesFontsLost, report.fontsReplaced != 0 ? " 个页面的字体被替换" : " 个页面的字体丢失");
  counted(report.missingObjects.size(), " 个对象丢失");
  counted(report.objectsDropped, std::string(LoadEngineString(idsLossObjectsDropped)).c_str());
  if (report.memoryRanOut) lines.Add("loss", LoadEngineString(idsLossMemory));
  counted(report.streamsCut, " 个数据流被截断");
}

}  // namespace

std::string FormatRepairReport(const CRepairReport& report) {
  CReportLines lines;
  lines.AddFlag("damaged", report.Damaged());
  lines.Add("pages", report.pages);
  lines.Add("pages_claimed", report.pagesClaimed >= 0 ? std::to_string(report.pagesClaimed) : std::string("null"));
  lines.Add("pages_content_lost", report.pagesContentLost);
  lines.Add("pages_fonts_lost", report.pagesFontsLost);
  lines.Add("objects_found", report.objectsFound);
  lines.Add("objects_written", report.objectsWritten);
  lines.Add("objects_dropped", report.objectsDropped);
  lines.Add("missing_objects", report.missingObjects.size());
  lines.Add("missing_object_numbers", MissingNumbers(report));
  lines.Add("streams_mended", report.streamsMended);
  lines.Add("streams_cut", report.streamsCut);
  lines.Add("content_rewritten", report.contentRewritten);
  lines.Add("fonts_replaced", report.fontsReplaced);
  lines.Add("encryption", EncryptionWord(report.encryption));
  lines.Add("outline_items", report.outlineItems);
  lines.Add("page_labels", report.pageLabels);
  lines.Add("form_fields", report.formFields);
  lines.Add("named_destinations", report.namedDestinations);
  AddLosses(report, lines);
  return lines.Take();
}
