// The engine's password query: the user is asked for the password of the
// source being repaired, and the answer's bytes live only as long as the
// engine may read them.
#include <cstring>
#include <utility>

#include "GuiStrings.h"
#include "MainForm.h"
#include "TextFormat.h"

namespace {

void WipeText(QString& text) {
  if (!text.isDetached()) return text.clear();  // someone else's copy: nothing of ours to wipe
  std::memset(static_cast<void*>(text.data()), 0, static_cast<size_t>(text.size()) * sizeof(QChar));
  text.clear();
}

void WipeBytes(QByteArray& bytes) {
  if (bytes.isDetached()) std::memset(bytes.data(), 0, static_cast<size_t>(bytes.size()));
  bytes.clear();
}

}  // namespace

// A run the user stopped is not kept waiting on a question. An answer too
// long for the engine is refused here, so that the user can type another
// one instead of failing the file.
bool TMainForm::OnPasswordQuery(PasswordQuery* query) {
  WipePassword();
  if (query == nullptr || !m_running) return false;
  const PasswordRequest request{GuiString(idsPasswordTitle), FormatText(GuiString(idsPasswordPrompt), {m_engineSource}),
                                query->attempt > 1 ? GuiString(idsPasswordWrong) : QString()};
  while (true) {
    QString typed;
    const bool confirmed = m_dialogs.AskPassword(this, request, typed);
    QByteArray bytes = typed.toUtf8();
    WipeText(typed);
    if (!confirmed || bytes.isEmpty()) {
      WipeBytes(bytes);
      return false;
    }
    if (bytes.size() <= TESSCORE_PASSWORD_MAX) {
      m_password = std::move(bytes);
      m_passwordHeld = true;
      query->password = m_password.constData();
      query->length = static_cast<uint32_t>(m_password.size());
      return true;
    }
    WipeBytes(bytes);
    m_dialogs.ShowMessage(this, GuiString(idsPasswordTooLong), GuiString(idsCaptionError), MessageIcon::Warning);
  }
}

// The buffer itself stays until the engine call ends: the bytes are gone,
// but a pointer the engine was given still points into our memory.
void TMainForm::WipePassword() {
  if (!m_passwordHeld) return;
  std::memset(m_password.data(), 0, static_cast<size_t>(m_password.size()));
  m_passwordHeld = false;
}

void TMainForm::ReleasePassword() {
  WipePassword();
  m_password = QByteArray();
}
