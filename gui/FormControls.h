#pragma once

#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>

// Small helpers for placing controls at fixed positions: every control gets
// its form name as object name, so tests and tools can find it.

template <typename Control>
Control* PlaceControl(QWidget* parent, const char* name, const QRect& geometry) {
  auto* control = new Control(parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

// A label sized to its text with its top-left corner at (x, y).
inline QLabel* PlaceLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

inline QPushButton* PlaceButton(QWidget* parent, const char* name, const QString& caption,
                                const QRect& geometry) {
  auto* button = PlaceControl<QPushButton>(parent, name, geometry);
  button->setText(caption);
  return button;
}
