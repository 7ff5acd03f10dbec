#include "UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
  m_up->setArrowType(Qt::UpArrow);
  m_down->setArrowType(Qt::DownArrow);
  for (QToolButton* button : {m_up, m_down}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
  }
  setFocusPolicy(Qt::TabFocus);
  connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
  connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TUpDown::SetBuddy(QLineEdit* buddy) {
  m_buddy = buddy;
  SetPosition(m_position);
}

void TUpDown::SetRange(int minimum, int maximum) {
  m_min = minimum;
  m_max = maximum;
  SetPosition(m_position);
}

int TUpDown::Position() const {
  if (m_buddy == nullptr) return m_position;
  bool isNumber = false;
  const int typed = m_buddy->text().trimmed().toInt(&isNumber);
  return isNumber ? std::clamp(typed, m_min, m_max) : m_position;
}

void TUpDown::SetPosition(int position) {
  m_position = std::clamp(position, m_min, m_max);
  if (m_buddy != nullptr) m_buddy->setText(QString::number(m_position));
}

void TUpDown::Step(int delta) {
  SetPosition(Position() + delta);  // no wrap: the range clamps
}

void TUpDown::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int half = height() / 2;
  m_up->setGeometry(0, 0, width(), half);
  m_down->setGeometry(0, half, width(), height() - half);
}
