#pragma once

#include <QProxyStyle>

// The desktop's style with the keyboard focus drawn where it does not show
// it: around the current tab's caption when the tab strip has the focus.
class TFocusStyle : public QProxyStyle {
  Q_OBJECT

 public:
  TFocusStyle();

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
};

class QPlainTextEdit;
class QTabWidget;

// Marks the focus on the window's log and on its tab strip.
void ShowFocusOf(QTabWidget* pages, QPlainTextEdit* log);
