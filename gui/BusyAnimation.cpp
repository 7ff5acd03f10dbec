#include "BusyAnimation.h"

#include <QPainter>
#include <cmath>
#include <numbers>

namespace {

constexpr int kFrameMilliseconds = 60;

}  // namespace

TBusyAnimation::TBusyAnimation(QWidget* parent) : QWidget(parent) {
  m_timer.setInterval(kFrameMilliseconds);
  connect(&m_timer, &QTimer::timeout, this, [this] {
    m_frame = (m_frame + 1) % kFrameCount;
    update();
  });
}

void TBusyAnimation::SetActive(bool active) {
  if (active == Active()) return;
  if (active) {
    m_timer.start();
  } else {
    m_timer.stop();
    m_frame = 0;
    update();
  }
}

// Idle, nothing is drawn: a still ring of grey dots looks like a run that
// hangs.
void TBusyAnimation::paintEvent(QPaintEvent* /*event*/) {
  if (!Active()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(width() / 2.0, height() / 2.0);
  const double radius = std::min(width(), height()) / 2.0 - 6.0;
  for (int dot = 0; dot < kFrameCount; ++dot) {
    // The dot at the current frame is darkest; the trail behind it fades.
    const int age = (m_frame - dot + kFrameCount) % kFrameCount;
    const int shade = std::min(230, 40 + age * 14);
    const double angle = 2.0 * std::numbers::pi * dot / kFrameCount - std::numbers::pi / 2.0;
    const QPointF at(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(shade, shade, std::min(255, shade + 25)));
    painter.drawEllipse(at, 2.6, 2.6);
  }
}
