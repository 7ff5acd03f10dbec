#include <memory>

#include "core/EngineStrings.h"
#include "core/Exceptions.h"
#include "core/RepairEngine.h"
#include "io/File64.h"
#include "io/File64Ex.h"

namespace {

constexpr uint32_t kSourceOpenFlags = CFile64::typeBinary | CFile64::shareDenyWrite | CFile64::modeRead;
constexpr uint32_t kDestinationOpenFlags =
    CFile64::typeBinary | CFile64::modeCreate | CFile64::shareExclusive | CFile64::modeWrite;
constexpr uint32_t kSourceBufferSize = 4096;

}  // namespace

int CRepairEngine::Repair(const std::string& sourcePath, int32_t /*reserved*/, uint32_t versionOption,
                          const std::string& destinationPath) {
  auto source = std::make_unique<CFile64Ex>(kSourceBufferSize);
  auto destination = std::make_unique<CFile64>();
  auto openFailure = std::make_unique<CFileException>();
  m_version.SetFromOption(versionOption);
  SendProgress(0);

  int result = 0;
  try {
    SendText(msgSourcePath, sourcePath);
    if (!source->Open(sourcePath.c_str(), kSourceOpenFlags, openFailure.get())) {
      SendText(msgError, FormatErrorMessage(idsCannotOpenSource, *openFailure));
    } else if (!destination->Open(destinationPath.c_str(), kDestinationOpenFlags, openFailure.get())) {
      SendText(msgError, FormatErrorMessage(idsCannotCreateFile, *openFailure));
      source->Close();
    } else {
      destination->Close();
      source->Close();
    }
  } catch (...) {
    ReportCurrentException();
  }
  SendProgress(100);
  return result;
}
