#include "analytics/sdk/record_queue.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "analytics/sdk/diagnostics.h"
#include "analytics/sdk/encoding.h"
#include "analytics/sdk/json_check.h"

namespace collect {

namespace {

using UniqueFile = std::unique_ptr<FILE, decltype(&std::fclose)>;

UniqueFile OpenFile(const std::string& path, const char* mode) {
  return UniqueFile(path.empty() ? nullptr : std::fopen(path.c_str(), mode), &std::fclose);
}

// Reads one line without its line end. A line longer than the limit is
// consumed to its end and reported through tooLong.
bool ReadLine(FILE* file, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  int c = 0;
  bool any = false;
  while ((c = std::fgetc(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (line.size() < RecordQueue::kMaxStagedLineBytes) {
      line.push_back(static_cast<char>(c));
    } else {
      tooLong = true;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

std::string Excerpt(const std::string& line) {
  constexpr size_t kShown = 80;
  return line.size() <= kShown ? line : line.substr(0, kShown) + "...";
}

}  // namespace

RecordQueue::RecordQueue(std::string stagingPath, std::unique_ptr<RecordSender> sender)
    : stagingPath_(std::move(stagingPath)), sender_(std::move(sender)) {}

RecordQueue::~RecordQueue() { Stage(); }

void RecordQueue::Add(std::string record) {
  const std::lock_guard<std::mutex> lock(queueLock_);
  queue_.push_back(std::move(record));
  if (queue_.size() > kCapacity) queue_.pop_front();
}

size_t RecordQueue::Size() const {
  const std::lock_guard<std::mutex> lock(queueLock_);
  return queue_.size();
}

std::vector<std::string> RecordQueue::Records() const {
  const std::lock_guard<std::mutex> lock(queueLock_);
  return std::vector<std::string>(queue_.begin(), queue_.end());
}

void RecordQueue::LoadStagedRecordsLocked() {
  if (!stagedNotLoaded_) return;
  const size_t free = kCapacity - std::min(kCapacity, queue_.size());
  if (free > 0) {
    if (UniqueFile file = OpenFile(stagingPath_, "rb")) {
      std::deque<std::string> staged;
      std::string line;
      bool tooLong = false;
      while (ReadLine(file.get(), line, tooLong)) {
        if (line.empty() && !tooLong) continue;
        if (tooLong || line.front() != '{' || line.back() != '}' || !IsJsonObject(line)) {
          // A damaged line would make every batch it travels in unreadable
          // for the collector, and so hold up everything queued behind it.
          WriteDiagnostic("Skipped a staged line that is not a JSON record: " + Excerpt(line));
          continue;
        }
        staged.push_back(line);
        if (staged.size() > free) staged.pop_front();
      }
      queue_.insert(queue_.begin(), staged.begin(), staged.end());
    }
  }
  // Whatever was read now lives in the queue; the file starts over.
  OpenFile(stagingPath_, "wb");
  stagedNotLoaded_ = false;
}

void RecordQueue::PutBackLocked(const std::vector<std::string>& batch) {
  const size_t free = kCapacity - std::min(kCapacity, queue_.size());
  const size_t keep = std::min(free, batch.size());
  queue_.insert(queue_.begin(), batch.end() - static_cast<std::ptrdiff_t>(keep), batch.end());
}

bool RecordQueue::Flush() {
  {
    const std::lock_guard<std::mutex> lock(queueLock_);
    LoadStagedRecordsLocked();
  }
  for (;;) {
    {
      const std::lock_guard<std::mutex> lock(queueLock_);
      if (queue_.empty()) return true;
    }
    if (!FlushPart()) return false;
  }
}

bool RecordQueue::FlushPart() {
  {
    const std::lock_guard<std::mutex> lock(queueLock_);
    LoadStagedRecordsLocked();
  }
  const std::lock_guard<std::mutex> flushing(flushLock_);
  std::vector<std::string> batch;
  {
    const std::lock_guard<std::mutex> lock(queueLock_);
    const size_t n = std::min(kBatchSize, queue_.size());
    batch.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      batch.push_back(std::move(queue_.front()));
      queue_.pop_front();
    }
  }
  if (batch.empty()) return true;
  bool sent = false;
  try {
    sent = Send(batch);
  } catch (const std::exception& e) {
    WriteDiagnostic(std::string("Exception when flush failed: (") + e.what() + ") ");
  } catch (...) {
    WriteDiagnostic("Exception when flush failed: (unknown) ");
  }
  if (!sent) {
    // Kept like any other failed batch: a handle that could not be made now
    // says nothing about the records.
    const std::lock_guard<std::mutex> lock(queueLock_);
    PutBackLocked(batch);
  }
  return sent;
}

bool RecordQueue::Send(const std::vector<std::string>& batch) {
  std::string body;
  if (!BuildRequestBody(BuildBatch(batch), body)) return false;
  const HttpResponse response = sender_->Post(sender_->url(), "", body, {});
  if (response.status == 200) return true;
  WriteDiagnostic("ZtCollect SDK send failed: " + response.body);
  return false;
}

void RecordQueue::Stage() {
  const std::lock_guard<std::mutex> lock(queueLock_);
  if (stagingPath_.empty()) return;
  LoadStagedRecordsLocked();
  UniqueFile file = OpenFile(stagingPath_, "wb");
  bool written = static_cast<bool>(file);
  for (const std::string& record : queue_) {
    if (!written) break;
    written = std::fwrite(record.data(), 1, record.size(), file.get()) == record.size() &&
              std::fputc('\n', file.get()) != EOF;
  }
  if (file && std::fclose(file.release()) != 0) written = false;
  if (!written && !queue_.empty()) {
    WriteDiagnostic("Failed to stage " + std::to_string(queue_.size()) + " records to '" + stagingPath_ + "'");
  }
}

}  // namespace collect
