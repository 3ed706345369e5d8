#pragma once
// An output written under a temporary name in its target's folder and moved under the target
// name only when complete, so that a failed render leaves nothing half-written behind.
#include <string>

namespace kvxcli {

class PendingFile {
 public:
  // Creates the temporary file; fails naming the target when its folder cannot take it.
  explicit PendingFile(std::string target);
  ~PendingFile();  // removes the temporary file unless committed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  PendingFile(PendingFile&& other) noexcept;

  const std::string& target() const { return target_; }
  const std::string& temporaryPath() const { return temporary_; }
  // Moves the file under the target name (replacing an older file there).
  void commit();

 private:
  std::string target_;
  std::string temporary_;
  bool committed_ = false;
};

}  // namespace kvxcli
