#pragma once

#include <QIcon>
#include <QPixmap>
#include <QWidget>

// The program's pictures are drawn in code: no image files to ship.

// A sheet of paper with a folded corner and a green check mark.
QPixmap AppIconPixmap(int size);
QIcon AppIcon();

// The 60-pixel banner across the top of the window.
class TBanner : public QWidget {
  Q_OBJECT

 public:
  explicit TBanner(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
