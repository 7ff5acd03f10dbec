#pragma once

#include <QLabel>
#include <functional>

// A label drawn as a link (underlined, hand cursor, in the link colour of
// the palette, so that it reads on a dark theme too) that reports a left
// click through OnClick.
class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLinkLabel(QWidget* parent = nullptr);

  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};
