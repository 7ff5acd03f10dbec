#include "rebuild/InfoDictionary.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "base/EngineStrings.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"

namespace {

std::unique_ptr<CPdfText> StringValue(std::string_view bytes) {
  return std::make_unique<CPdfText>(kindString, bytes.data(), bytes.size());
}

}  // namespace

std::time_t RepairTime() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    errno = 0;
    const unsigned long long seconds = std::strtoull(epoch, &end, 10);
    if (errno == 0 && *end == '\0' && *epoch >= '0' && *epoch <= '9') {
      return static_cast<std::time_t>(seconds);
    }
  }
  return std::time(nullptr);
}

std::string FormatPdfDate(std::time_t instant) {
  std::tm local{};
  if (::localtime_r(&instant, &local) == nullptr) return {};
  const std::string format(LoadEngineString(idsDateFormat));
  char text[64];
  const size_t length = std::strftime(text, sizeof text, format.c_str(), &local);
  return std::string(text, length);
}

CPdfDictionary* BuildInfoDictionary(CPdfDocument& document) {
  auto created = std::make_unique<CPdfDictionary>();
  document.AddedObjects().Add(created.get());
  CPdfDictionary* info = created.release();
  info->SetAt("/Creator", StringValue(LoadEngineString(idsCreator)));
  info->SetAt("/Producer", StringValue(LoadEngineString(idsProducer)));
  const std::string date = FormatPdfDate(RepairTime());
  info->SetAt("/CreationDate", StringValue(date));
  info->SetAt("/ModDate", StringValue(date));
  return info;
}
