#include "app/gui/background_job.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <memory>

#include "app/gui/busy_dialog.h"

namespace plondex {
namespace {

// How often the window's thread takes what the worker posted.
constexpr int kTickMs = 40;
// How long it runs posted calls in one go before it lets paint events and timers in again.
constexpr qint64 kPostedBudgetMs = 5;

}  // namespace

BackgroundJob::BackgroundJob(BusyDialog* dialog) : dialog_(dialog) {}

BackgroundJob::~BackgroundJob() = default;

void BackgroundJob::Run(const std::function<void()>& work) {
  std::exception_ptr failure;
  std::atomic<bool> ended{false};
  std::unique_ptr<QThread> worker(QThread::create([&work, &failure, &ended] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    ended.store(true, std::memory_order_release);
  }));
  QEventLoop loop;
  loop_ = &loop;
  QTimer tick;
  tick.setInterval(kTickMs);
  connect(&tick, &QTimer::timeout, this, [this] { RunPosted(); });
  connect(worker.get(), &QThread::finished, this, [this] {
    worker_done_ = true;
    RunPosted();
  });
  const QMetaObject::Connection cancel =
      connect(dialog_, &BusyDialog::CancelClicked, this, [this] { RequestCancel(); });
  dialog_->Begin();
  tick.start();
  worker->start();
  loop.exec();
  // The loop also ends early when the application quits: the work then stops after its step.
  if (!worker_done_) RequestCancel();
  worker->wait();
  // Everything the worker wrote belongs to this thread again. Waiting for the thread ensures that
  // already; this load says so in a way that a thread sanitizer sees, too.
  ended.load(std::memory_order_acquire);
  tick.stop();
  loop_ = nullptr;
  RunPosted(/*all=*/true);
  disconnect(cancel);
  dialog_->End();
  if (failure) std::rethrow_exception(failure);
}

void BackgroundJob::Post(std::function<void()> call) {
  std::lock_guard<std::mutex> lock(mutex_);
  posted_.push_back(std::move(call));
}

void BackgroundJob::RunPosted(bool all) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    if (next_ == ready_.size()) {
      ready_.clear();
      next_ = 0;
      std::lock_guard<std::mutex> lock(mutex_);
      ready_.swap(posted_);
      if (ready_.empty()) break;
    }
    if (!all && clock.elapsed() >= kPostedBudgetMs) {
      // The rest follows as soon as paint events and timers have had their turn.
      if (!continuation_queued_) {
        continuation_queued_ = true;
        // A timer, not a posted event: posted events would keep the event loop from ever
        // running its timers until the reports have all been shown.
        QTimer::singleShot(0, this, [this] {
          continuation_queued_ = false;
          RunPosted();
        });
      }
      return;
    }
    std::function<void()> call = std::move(ready_[next_++]);
    call();
  }
  // Every report has been shown: the run ends when the worker has ended too.
  if (worker_done_ && loop_) loop_->quit();
}

void QueuedReporter::ClearLog() {
  job_.Post([target = &target_] { target->ClearLog(); });
}

void QueuedReporter::LogLine(const std::string& text) {
  job_.Post([target = &target_, text] { target->LogLine(text); });
}

void QueuedReporter::CounterRaised(BuildCounter counter, int value) {
  job_.Post([target = &target_, counter, value] { target->CounterRaised(counter, value); });
}

void QueuedReporter::SongRead(int done, int total) {
  job_.Post([target = &target_, done, total] { target->SongRead(done, total); });
}

}  // namespace plondex
