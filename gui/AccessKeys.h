#pragma once

#include <QObject>

class QKeyEvent;
class QTabWidget;
class QWidget;

// The keyboard of a window whose page control's tab captions mark the same
// access keys as controls on the pages ("选项(&O)" and "输出修复后的文件为(&O)"):
// - Alt+letter goes to the control of the visible page that marks the
//   letter (a label's buddy takes the focus, a button or check box is
//   pressed; a disabled one does nothing); only a letter that no control of
//   the page claims switches tabs;
// - Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp step through the tabs
//   that are shown, never onto a hidden one.
// It watches the application's key events on their way to the window's
// controls, since a control's own shortcut and a tab's would otherwise
// count as one ambiguous shortcut.
class TAccessKeys : public QObject {
  Q_OBJECT

 public:
  TAccessKeys(QWidget* window, QTabWidget* pages);
  ~TAccessKeys() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool InWindow(QObject* watched) const;
  // The shown control of the current page that marks the letter of the
  // key, enabled or not, or null; a label stands for its buddy.
  QWidget* Claimant(const QKeyEvent& key) const;
  bool StepTabs(const QKeyEvent& key);

  QWidget* m_window;
  QTabWidget* m_pages;
  int m_swallowKey = 0;  // the key press that follows a claimed override
};
