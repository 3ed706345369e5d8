#include "compat/dialog/window_table.h"

WindowTable& WindowTable::instance() {
  static WindowTable table;
  return table;
}

HWND WindowTable::add(WindowRecord record) {
  // Handles only grow, so a stale handle never names a newer window; 0 stays "none".
  do {
    ++lastHandle_;
  } while (lastHandle_ == 0 || windows_.count(lastHandle_));
  windows_.emplace(lastHandle_, std::move(record));
  return lastHandle_;
}

WindowRecord* WindowTable::find(HWND window) {
  auto found = windows_.find(window);
  return found == windows_.end() ? nullptr : &found->second;
}

std::vector<HWND> WindowTable::children(HWND parent) const {
  std::vector<HWND> result;
  for (const auto& [handle, record] : windows_)
    if (record.parent == parent && !record.isDialog) result.push_back(handle);
  return result;
}

void WindowTable::remove(HWND window) {
  windows_.erase(window);
}
