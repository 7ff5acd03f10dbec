#pragma once

#include <QLabel>
#include <functional>

// A label drawn as a link (blue, underlined, hand cursor) that reports a
// left click through OnClick.
class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLinkLabel(QWidget* parent = nullptr);

  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};
