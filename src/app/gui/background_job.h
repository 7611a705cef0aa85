#pragma once

// One long core operation (a scan, a build) on a worker thread. Meanwhile the window's thread keeps
// turning its event loop: it repaints, the window can be moved, and what the worker reports
// reaches the widgets there, in the order it was reported. A busy dialog is up for the whole run
// and keeps commands away from every other window.

#include <QEventLoop>
#include <QObject>
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "navdb/build_reporter.h"

namespace plondex {

class BusyDialog;

class BackgroundJob : public QObject {
  Q_OBJECT
 public:
  // The dialog is shown while the job runs; its Cancel asks the job to stop.
  explicit BackgroundJob(BusyDialog* dialog);
  ~BackgroundJob() override;

  // Runs work on a worker thread and returns once it has ended and everything it posted has run.
  // What work throws is thrown again here. Call it once, on the window's thread.
  void Run(const std::function<void()>& work);

  // Hands a call to the window's thread, where it runs after every call posted before it, within
  // a tick of the job (a few hundredths of a second). Any thread.
  void Post(std::function<void()> call);

  void RequestCancel() { cancel_ = true; }
  // Any thread.
  bool CancelRequested() const { return cancel_; }

 private:
  // Runs the posted calls for a while, or all of them.
  void RunPosted(bool all = false);

  BusyDialog* dialog_;
  std::atomic<bool> cancel_{false};
  // Calls wait here until the window's thread takes them, on each tick all at once: the widgets
  // then change and paint a few dozen times a second, however fast the worker reports.
  std::mutex mutex_;
  std::vector<std::function<void()>> posted_;
  // The window's thread only: calls taken and not yet run, from next_ on.
  std::vector<std::function<void()>> ready_;
  size_t next_ = 0;
  bool continuation_queued_ = false;
  bool worker_done_ = false;
  QEventLoop* loop_ = nullptr;
};

// Hands every report of a build on the worker thread to a reporter that lives on the window's
// thread; the cancel question is answered by the job at once.
class QueuedReporter : public BuildReporter {
 public:
  QueuedReporter(BackgroundJob& job, BuildReporter& target) : job_(job), target_(target) {}

  void ClearLog() override;
  void LogLine(const std::string& text) override;
  void CounterRaised(BuildCounter counter, int value) override;
  void SongRead(int done, int total) override;
  bool CancelRequested() override { return job_.CancelRequested(); }

 private:
  BackgroundJob& job_;
  BuildReporter& target_;
};

}  // namespace plondex
