#include "core/RepairEngine.h"

#include <cstdio>
#include <new>

#include "core/EngineStrings.h"
#include "core/Exceptions.h"

void CRepairEngine::CPdfVersion::SetFromOption(uint32_t option) {
  const uint32_t minor = option >> 16;
  if (minor <= 6) {
    char text[16];
    std::snprintf(text, sizeof text, "1.%u", static_cast<unsigned>(minor));
    m_text = text;
  } else {
    m_text = "1.4";
  }
}

void CRepairEngine::SendText(int code, const std::string& text) const {
  if (m_callback == nullptr) return;
  m_callback(code, const_cast<char*>(text.c_str()), m_userData);
}

bool CRepairEngine::QueryPassword(int32_t attempt, std::string& password) const {
  password.clear();
  if (m_callback == nullptr || !m_passwordQuery) return false;
  PasswordQuery query{attempt, nullptr, 0};
  if (m_callback(msgQueryPassword, &query, m_userData) == 0) return false;
  if (query.password == nullptr || query.length == 0 || query.length > TESSCORE_PASSWORD_MAX) return false;
  password.assign(query.password, query.length);
  return true;
}

void CRepairEngine::SendStringMessage(int code, int stringId) const {
  if (m_callback == nullptr) return;
  SendText(code, std::string(LoadEngineString(stringId)));
}

std::string CRepairEngine::FormatErrorMessage(int id, const CException& failure) {
  constexpr size_t kMaxFailureText = 4096;
  std::string text;
  failure.GetErrorMessage(text);
  if (text.size() > kMaxFailureText) text.resize(kMaxFailureText);
  return ReplacePercentOne(LoadEngineString(id), text);
}

void CRepairEngine::ReportCurrentException() const noexcept {
  try {
    try {
      throw;
    } catch (const CException& failure) {
      std::string text;
      if (failure.GetErrorMessage(text)) {
        SendText(msgError, FormatErrorMessage(idsGeneralError, failure));
      } else {
        SendStringMessage(msgError, idsUnknownError);
      }
    } catch (const std::bad_alloc&) {
      SendText(msgError, FormatErrorMessage(idsGeneralError, CMemoryException()));
    } catch (...) {
      SendStringMessage(msgError, idsUnknownError);
    }
  } catch (...) {
    // Not even the report could be made (memory is gone); the caller's
    // result code still tells the story.
  }
}
