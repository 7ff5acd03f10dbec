#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

// Which edges of the window a control keeps its distance to. Anchored left
// and right, a control grows with the window's width; anchored right only,
// it moves with the right edge. The same holds for top and bottom.
enum Anchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// Lets a window laid out at fixed positions grow: every control added here
// keeps its place at the design size and follows the edges it is anchored to
// as the window grows beyond it. Controls inside pages follow the window's
// growth too, since the page control that holds them grows with it.
class TAnchors {
 public:
  // The design size is the window's smallest size.
  explicit TAnchors(QSize designSize) : m_designSize(designSize) {}

  // Takes the control's current geometry as its design geometry.
  void Add(QWidget* control, unsigned anchors);
  // Places every control for the window's new size.
  void Apply(QSize windowSize) const;

 private:
  struct Entry {
    QPointer<QWidget> control;
    QRect design;
    unsigned anchors;
  };
  QSize m_designSize;
  std::vector<Entry> m_entries;
};

// The factor by which the layout made for a 9-point font grows for the
// desktop's font; never below 1, so the window is never smaller than its
// design size.
double LayoutScaleFor(const QFont& font);

// Multiplies the position and size of every control placed on `container`
// (not of the widgets a control lays out inside itself) by the factor.
void ScaleControls(QWidget* container, double factor);
