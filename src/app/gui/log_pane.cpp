#include "app/gui/log_pane.h"

#include <QKeyEvent>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace plondex {
namespace {

// A log of fewer lines is emptied at once; a longer one is taken apart in slices of this many
// lines (a few milliseconds each).
constexpr int kSliceLines = 2000;
// Lines that wait are added at the latest when there are this many (a millisecond or two).
constexpr qsizetype kBatchLines = 500;

bool IsOwnKey(const QKeyEvent* key) {
  return key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll);
}

}  // namespace

LogPane::LogPane(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  // Nothing to undo in a log.
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  release_timer_.setInterval(0);
  connect(&release_timer_, &QTimer::timeout, this, [this] { ReleaseSlice(); });
}

LogPane::~LogPane() = default;

void LogPane::AddLine(const QString& line) {
  waiting_.append(line);
  if (waiting_.size() >= kBatchLines) {
    Flush();
    return;
  }
  if (flush_queued_) return;
  flush_queued_ = true;
  QTimer::singleShot(0, this, [this] {
    flush_queued_ = false;
    Flush();
  });
}

void LogPane::Flush() {
  if (waiting_.isEmpty()) return;
  // One call for many lines: each call lays out and scrolls the pane again.
  appendPlainText(waiting_.join(QLatin1Char('\n')));
  waiting_.clear();
}

void LogPane::Clear() {
  waiting_.clear();
  if (document()->blockCount() < kSliceLines) {
    clear();
    return;
  }
  // The pane gets a new, empty text at once; the old one is taken apart later, a slice at a time.
  QTextDocument* old = document();
  old->setParent(nullptr);
  auto* fresh = new QTextDocument(this);
  fresh->setDocumentLayout(new QPlainTextDocumentLayout(fresh));
  fresh->setUndoRedoEnabled(false);
  setDocument(fresh);
  released_.emplace_back(old);
  release_timer_.start();
}

void LogPane::ReleaseSlice() {
  if (released_.empty()) {
    release_timer_.stop();
    return;
  }
  QTextDocument* old = released_.back().get();
  if (old->blockCount() <= kSliceLines) {
    released_.pop_back();
    return;
  }
  QTextCursor cursor(old);
  cursor.movePosition(QTextCursor::End);
  cursor.setPosition(old->findBlockByNumber(old->blockCount() - kSliceLines).position(),
                     QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

bool LogPane::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && IsOwnKey(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QPlainTextEdit::event(event);
}

void LogPane::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    copy();
  } else if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
  } else {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  event->accept();
}

}  // namespace plondex
