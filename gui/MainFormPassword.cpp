// The engine's password query: the user is asked for the password of the
// source being repaired. The typed text is overwritten as soon as its bytes
// are in the job's answer, which the job wipes itself.
#include <cstring>

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
bool TMainForm::PasswordWanted(int attempt, frontend::PasswordAnswer& answer) {
  if (!m_running) return false;
  const PasswordRequest request{GuiString(idsPasswordTitle), FormatText(GuiString(idsPasswordPrompt), {m_engineSource}),
                                attempt > 1 ? GuiString(idsPasswordWrong) : QString()};
  while (true) {
    QString typed;
    const bool confirmed = m_dialogs.AskPassword(this, request, typed);
    QByteArray bytes = typed.toUtf8();
    WipeText(typed);
    const bool tooLong = bytes.size() > TESSCORE_PASSWORD_MAX;
    const bool assigned = confirmed && !tooLong && answer.Assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    WipeBytes(bytes);
    if (!confirmed || !tooLong) return assigned;
    m_dialogs.ShowMessage(this, GuiString(idsPasswordTooLong), GuiString(idsCaptionError), MessageIcon::Warning);
  }
}
