#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <vector>

class QTextDocument;

namespace plondex {

// The log pane: read-only lines, never wrapped, that the user can select and copy. While it has
// the focus, Ctrl+C copies and Ctrl+A selects all, ahead of the menus' Ctrl+C (Playlists >
// Clear). Adding lines one by one and taking a long log apart both cost the window's thread a
// lot, so lines can be gathered and added together, and a long log is released in slices.
class LogPane : public QPlainTextEdit {
 public:
  explicit LogPane(QWidget* parent = nullptr);
  ~LogPane() override;

  // Adds a line at the next turn of the event loop, together with every line added meanwhile.
  void AddLine(const QString& line);
  // Adds the lines that wait, now.
  void Flush();
  // Empties the pane at once, the lines that wait included.
  void Clear();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ReleaseSlice();

  QStringList waiting_;
  bool flush_queued_ = false;
  // Texts of earlier logs, released a slice at a time.
  std::vector<std::unique_ptr<QTextDocument>> released_;
  QTimer release_timer_;
};

}  // namespace plondex
