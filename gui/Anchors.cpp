#include "Anchors.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kDesignPointSize = 9.0;

int Scaled(int value, double factor) {
  return static_cast<int>(std::lround(value * factor));
}

}  // namespace

void TAnchors::Add(QWidget* control, unsigned anchors) {
  m_entries.push_back({control, control->geometry(), anchors});
}

void TAnchors::Apply(QSize windowSize) const {
  const int grownWidth = std::max(0, windowSize.width() - m_designSize.width());
  const int grownHeight = std::max(0, windowSize.height() - m_designSize.height());
  for (const Entry& entry : m_entries) {
    if (entry.control == nullptr) continue;
    QRect place = entry.design;
    if (entry.anchors & akRight) {
      if (entry.anchors & akLeft) {
        place.setWidth(place.width() + grownWidth);
      } else {
        place.translate(grownWidth, 0);
      }
    }
    if (entry.anchors & akBottom) {
      if (entry.anchors & akTop) {
        place.setHeight(place.height() + grownHeight);
      } else {
        place.translate(0, grownHeight);
      }
    }
    entry.control->setGeometry(place);
  }
}

// Text height is what decides whether captions fit their controls; the
// design font is the desktop's own family at 9 points.
double LayoutScaleFor(const QFont& font) {
  QFont design(font);
  design.setPointSizeF(kDesignPointSize);
  const double ratio = QFontMetricsF(font).height() / QFontMetricsF(design).height();
  return std::max(1.0, ratio);
}

void ScaleControls(QWidget* container, double factor) {
  if (factor == 1.0) return;
  for (QWidget* control : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control->isWindow()) continue;
    const QRect place = control->geometry();
    control->setGeometry(Scaled(place.x(), factor), Scaled(place.y(), factor),
                         Scaled(place.width(), factor), Scaled(place.height(), factor));
  }
}
