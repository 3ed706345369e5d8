#include "compat/video/reader_table.h"

#include <vector>

namespace kvxvideo {

ReaderTable& ReaderTable::instance() {
  static ReaderTable table;
  return table;
}

uint32_t ReaderTable::add(uint32_t infoId, std::unique_ptr<VideoReader> reader) {
  auto entry = std::make_shared<ReaderEntry>();
  entry->infoId = infoId;
  entry->reader = std::move(reader);
  std::lock_guard<std::mutex> guard(lock_);
  if (readers_.size() >= kMaxReaders) return 0;
  do {
    ++lastHandle_;
  } while (lastHandle_ == 0 || readers_.count(lastHandle_));
  readers_.emplace(lastHandle_, std::move(entry));
  return lastHandle_;
}

std::shared_ptr<ReaderEntry> ReaderTable::find(uint32_t handle, uint32_t infoId) const {
  std::lock_guard<std::mutex> guard(lock_);
  auto found = readers_.find(handle);
  if (found == readers_.end() || found->second->infoId != infoId) return nullptr;
  return found->second;
}

bool ReaderTable::remove(uint32_t handle, uint32_t infoId) {
  std::shared_ptr<ReaderEntry> closing;
  {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = readers_.find(handle);
    if (found == readers_.end() || found->second->infoId != infoId) return false;
    closing = std::move(found->second);
    readers_.erase(found);
  }
  // A read still running on another thread finishes before the reader goes.
  std::lock_guard<std::mutex> busy(closing->lock);
  closing->reader.reset();
  return true;
}

void ReaderTable::removeAll(uint32_t infoId) {
  std::vector<std::shared_ptr<ReaderEntry>> closing;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = readers_.begin(); it != readers_.end();) {
      if (it->second->infoId == infoId) {
        closing.push_back(std::move(it->second));
        it = readers_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& entry : closing) {
    std::lock_guard<std::mutex> busy(entry->lock);
    entry->reader.reset();
  }
}

size_t ReaderTable::size() const {
  std::lock_guard<std::mutex> guard(lock_);
  return readers_.size();
}

uint32_t ReaderTable::newInfoId() {
  std::lock_guard<std::mutex> guard(lock_);
  if (++lastInfoId_ == 0) ++lastInfoId_;
  return lastInfoId_;
}

}  // namespace kvxvideo
