#pragma once
// The bounded queue of serialised records, its staging file between runs,
// and the batched flush to the collection endpoint.

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/sdk/record_sender.h"

namespace collect {

class RecordQueue {
 public:
  static constexpr size_t kCapacity = 1024;
  static constexpr size_t kBatchSize = 30;
  // Longer staging lines are skipped unread: no record comes near it.
  static constexpr size_t kMaxStagedLineBytes = 1024 * 1024;

  RecordQueue(std::string stagingPath, std::unique_ptr<RecordSender> sender);
  // Stages what is still queued, so the next run sends it.
  ~RecordQueue();
  RecordQueue(const RecordQueue&) = delete;
  RecordQueue& operator=(const RecordQueue&) = delete;

  // Appends at the back; beyond the capacity the oldest record goes.
  void Add(std::string record);
  // Sends batches until the queue is empty (true) or one fails (false).
  bool Flush();
  // Sends one batch of up to 30 records; a failed batch is put back at the
  // front as far as the capacity allows.
  bool FlushPart();
  // Merges the staging file's records in, then writes the whole queue to it.
  void Stage();

  size_t Size() const;
  std::vector<std::string> Records() const;
  const std::string& stagingPath() const { return stagingPath_; }

 private:
  void LoadStagedRecordsLocked();
  void PutBackLocked(const std::vector<std::string>& batch);
  bool Send(const std::vector<std::string>& batch);

  const std::string stagingPath_;
  std::unique_ptr<RecordSender> sender_;
  std::deque<std::string> queue_;
  bool stagedNotLoaded_ = true;
  mutable std::mutex queueLock_;  // taken after flushLock_, never across a transfer
  std::mutex flushLock_;
};

}  // namespace collect
