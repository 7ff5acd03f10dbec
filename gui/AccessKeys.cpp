#include "AccessKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QTabWidget>

namespace {

bool IsAccessKey(const QKeyEvent& key) {
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
  const int code = key.key();
  const bool letterOrDigit =
      (code >= Qt::Key_A && code <= Qt::Key_Z) || (code >= Qt::Key_0 && code <= Qt::Key_9);
  return letterOrDigit && modifiers == Qt::AltModifier;
}

bool Shown(const QWidget* control) {
  return control != nullptr && control->isVisible();
}

// The key a caption marks with "&", as Alt+letter; empty when none.
QKeySequence MarkedKey(const QString& caption) {
  return QKeySequence::mnemonic(caption);
}

// After the key has been handled: a press may open a dialog or run a
// repair, which must not happen inside the key's delivery.
void Activate(QWidget* control) {
  QMetaObject::invokeMethod(
      control,
      [control] {
        control->setFocus(Qt::ShortcutFocusReason);
        if (auto* button = qobject_cast<QAbstractButton*>(control)) button->click();
      },
      Qt::QueuedConnection);
}

}  // namespace

TAccessKeys::TAccessKeys(QWidget* window, QTabWidget* pages)
    : QObject(window), m_window(window), m_pages(pages) {
  qApp->installEventFilter(this);
}

TAccessKeys::~TAccessKeys() {
  qApp->removeEventFilter(this);
}

bool TAccessKeys::InWindow(QObject* watched) const {
  auto* widget = qobject_cast<QWidget*>(watched);
  return widget != nullptr && widget->window() == m_window;
}

QWidget* TAccessKeys::Claimant(const QKeyEvent& key) const {
  QWidget* page = m_pages->currentWidget();
  if (page == nullptr) return nullptr;
  const QKeySequence wanted(key.modifiers() | static_cast<Qt::Key>(key.key()));
  for (QWidget* control : page->findChildren<QWidget*>()) {
    if (!Shown(control)) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      if (MarkedKey(button->text()) == wanted) return button;
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
      if (Shown(label->buddy()) && MarkedKey(label->text()) == wanted) return label->buddy();
    }
  }
  return nullptr;
}

// Steps to the next or the previous tab that is shown.
bool TAccessKeys::StepTabs(const QKeyEvent& key) {
  if (!key.modifiers().testFlag(Qt::ControlModifier)) return false;
  int step = 0;
  switch (key.key()) {
    case Qt::Key_Tab:
      step = key.modifiers().testFlag(Qt::ShiftModifier) ? -1 : 1;
      break;
    case Qt::Key_Backtab:
    case Qt::Key_PageUp:
      step = -1;
      break;
    case Qt::Key_PageDown:
      step = 1;
      break;
    default:
      return false;
  }
  const int count = m_pages->count();
  int index = m_pages->currentIndex();
  for (int tried = 0; tried < count; ++tried) {
    index = (index + step + count) % count;
    if (m_pages->isTabVisible(index) && m_pages->isTabEnabled(index)) {
      m_pages->setCurrentIndex(index);
      break;
    }
  }
  return true;
}

bool TAccessKeys::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !InWindow(watched)) {
    return QObject::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  if (type == QEvent::KeyPress) {
    if (m_swallowKey != 0 && key->key() == m_swallowKey) {
      m_swallowKey = 0;  // a line edit would type the letter
      return true;
    }
    return StepTabs(*key);
  }
  if (!IsAccessKey(*key)) return false;
  QWidget* control = Claimant(*key);
  if (control == nullptr) return false;  // the tab's shortcut takes it
  key->accept();  // no shortcut fires; the key press follows and is dropped
  m_swallowKey = key->key();
  // A control switched off (a start button while the other page's run goes)
  // keeps its letter: it neither falls to a tab nor is typed into a field.
  if (control->isEnabled()) Activate(control);
  return true;
}
