#include "filters/predicted_inflate.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "filters/filter_bounds.h"

namespace {

// Undoes rows behind the inflater: it is told how far the output is final and
// follows; Finish lets it do the last rows and waits for it.
class RowWorker final : public InflateObserver {
 public:
  explicit RowWorker(PngRowUndo* undo) : undo_(undo), thread_([this] { Run(); }) {}
  RowWorker(const RowWorker&) = delete;
  RowWorker& operator=(const RowWorker&) = delete;
  ~RowWorker() { Finish(data_, published_); }

  void Produced(uint8_t* data, size_t produced) override {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      data_ = data;
      published_ = produced;
    }
    wake_.notify_one();
  }

  void Finish(uint8_t* data, size_t size) {
    if (!thread_.joinable())
      return;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      data_ = data;
      published_ = size;
      done_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

 private:
  void Run() {
    size_t seen = 0;
    for (;;) {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return done_ || published_ > seen; });
      const bool done = done_;
      uint8_t* data = data_;
      seen = published_;
      lock.unlock();
      if (data != nullptr)
        undo_->Advance(data, seen, done);
      if (done)
        return;
    }
  }

  PngRowUndo* undo_;
  std::mutex mutex_;
  std::condition_variable wake_;
  uint8_t* data_ = nullptr;
  size_t published_ = 0;
  bool done_ = false;
  std::thread thread_;  // last: it starts once the members above exist
};

}  // namespace

bool InflateWithPngRows(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                        const PredictorParams& params, std::vector<uint8_t>* out,
                        StageResult* result, std::string* note) {
  // The buffer must not move while the worker follows it: only a limit that
  // is reserved whole at once keeps it in place.
  if (input.size() < kOverlapMinimumInput || OutputCap(limit) > kWholeReserveLimit)
    return false;
  PngRowUndo undo;
  if (!undo.Start(params))
    return false;
  std::unique_ptr<RowWorker> worker;
  try {
    worker = std::make_unique<RowWorker>(&undo);
  } catch (const std::system_error&) {
    return false;  // no thread: in turn, as before
  }
  *result = InflateObserved(input, parms, limit, out, worker.get());
  worker->Finish(out->data(), out->size());
  out->resize(std::min(undo.Samples(), out->size()));
  *note = undo.Note();
  return true;
}
