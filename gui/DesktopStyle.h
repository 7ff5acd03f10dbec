#pragma once

#include <QProxyStyle>

// The program's style: the desktop's own, with check boxes that stand out on
// a dark palette. Fusion draws a box's edge a little darker than the
// window, which on a dark window leaves an unticked box all but invisible;
// here the edge is drawn halfway between the window and its text.
class TDesktopStyle : public QProxyStyle {
  Q_OBJECT

 public:
  TDesktopStyle();

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

// Makes a TDesktopStyle over the application's current style the style of
// the whole application.
void UseDesktopStyle();

// The name of the style the application draws with, under any proxies: a
// proxy style has no name of its own.
QString ApplicationStyleName();
