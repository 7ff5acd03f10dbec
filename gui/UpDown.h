#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Two small arrow buttons that step an integer shown in a buddy edit. The
// position is read back from the buddy's text, so typing a number moves it.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  explicit TUpDown(QWidget* parent = nullptr);

  void SetBuddy(QLineEdit* buddy);
  void SetRange(int minimum, int maximum);
  int Min() const { return m_min; }
  int Max() const { return m_max; }
  // The buddy's number, kept within the range; the last position set when
  // the text is no number.
  int Position() const;
  void SetPosition(int position);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Step(int delta);

  QToolButton* m_up;
  QToolButton* m_down;
  QLineEdit* m_buddy = nullptr;
  int m_min = 0;
  int m_max = 100;
  int m_position = 0;
};
