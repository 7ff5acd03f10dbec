#pragma once

#include <QTimer>
#include <QWidget>

// The busy animation: 16 frames of a turning ring of dots, played in an
// endless loop while active. Inactive, it shows nothing.
class TBusyAnimation : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kFrameCount = 16;

  explicit TBusyAnimation(QWidget* parent = nullptr);

  bool Active() const { return m_timer.isActive(); }
  void SetActive(bool active);
  int Frame() const { return m_frame; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer m_timer;
  int m_frame = 0;
};
