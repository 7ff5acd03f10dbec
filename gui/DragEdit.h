#pragma once

#include <QLineEdit>
#include <functional>

// A single-line edit that also takes a file dropped from the desktop: the
// first local path of the drop goes to OnDropFile. The edit leaves its own
// text alone; the handler decides what to do with the name.
class TDragEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TDragEdit(QWidget* parent = nullptr);

  // Switches accepting dropped files on or off.
  void SetAcceptFiles(bool accept);
  bool AcceptFiles() const { return m_acceptFiles; }

  std::function<void(TDragEdit* sender, const QString& fileName)> OnDropFile;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool m_acceptFiles = false;
};
