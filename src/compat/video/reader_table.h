#pragma once
// The open readers of the process, each behind its own handle and lock, so that readers of
// different documents and threads never share state.
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "io/video_reader.h"

namespace kvxvideo {

struct ReaderEntry {
  uint32_t infoId = 0;  // the file information record the reader was opened for
  std::mutex lock;      // held while the reader decodes
  std::unique_ptr<VideoReader> reader;
};

class ReaderTable {
 public:
  static ReaderTable& instance();

  // Registers a reader and returns its handle, or 0 when too many readers are open.
  uint32_t add(uint32_t infoId, std::unique_ptr<VideoReader> reader);
  // The entry for `handle` if it was opened for the record `infoId`, else null.
  std::shared_ptr<ReaderEntry> find(uint32_t handle, uint32_t infoId) const;
  // Closes one reader; false when the handle is unknown or belongs to another record.
  bool remove(uint32_t handle, uint32_t infoId);
  // Closes every reader opened for the record `infoId`.
  void removeAll(uint32_t infoId);
  size_t size() const;

  // A fresh, non-zero id for a filled file information record.
  uint32_t newInfoId();

 private:
  static constexpr size_t kMaxReaders = 1024;
  mutable std::mutex lock_;
  std::unordered_map<uint32_t, std::shared_ptr<ReaderEntry>> readers_;
  uint32_t lastHandle_ = 0;
  uint32_t lastInfoId_ = 0;
};

}  // namespace kvxvideo
