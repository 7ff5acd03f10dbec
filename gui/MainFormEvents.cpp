// The window's own events: keys, closing and growing.
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabWidget>

#include "Anchors.h"
#include "FileList.h"
#include "MainForm.h"

// Closing while the engine runs stops the run; the window closes once the
// engine has returned, since the call still uses the window's state.
void TMainForm::closeEvent(QCloseEvent* event) {
  if (m_engineCallActive) {
    m_running = false;
    m_closeRequested = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (m_anchors != nullptr) m_anchors->Apply(event->size());
}

// A window has no default button: Enter presses the focused button on any
// page, and elsewhere on the repair page the start button (which also stops
// a run). Esc stops a run; F1 opens the help.
void TMainForm::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (!plain) {
    QWidget::keyPressEvent(event);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* focusedButton = qobject_cast<QPushButton*>(focusWidget())) {
        focusedButton->click();
      } else if (pcMain->currentWidget() == tsRepair && btnRepair->isEnabled()) {
        btnRepairClick();
      }
      return;
    case Qt::Key_Escape:
      if (m_running) m_running = false;  // Stop, as the start buttons do
      return;
    case Qt::Key_F1:
      btnHelpClick();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == txtBufSize && !key->text().isEmpty() && !txtBufSizeKeyPress(key->text().at(0))) {
      return true;
    }
    if (watched == FileList && FileListKeyDown(key->key(), key->modifiers())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

// Control characters and digits pass; anything else is dropped with a beep.
bool TMainForm::txtBufSizeKeyPress(QChar key) {
  if (key.unicode() < 32 || (key >= u'0' && key <= u'9')) return true;
  QApplication::beep();
  return false;
}
