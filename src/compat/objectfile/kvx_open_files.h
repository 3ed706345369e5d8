#pragma once
// The files opened through wcsOpenFile: each handle is a moveable GlobalAlloc block holding
// the header record, mapped here to its parsed container. Thread-safe.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kvxtheme/globalmem.h"
#include "kvxtheme/kvx_container.h"

namespace kvx {

// Parses the bytes and hands out a handle; 0 when they are not a sound KVX file (the reason
// goes to the trace) or memory ran out. `path` is written into the header record.
HGLOBAL openKvxBytes(std::vector<uint8_t> bytes, const std::string& path);
// Hands out a handle for a file already parsed; 0 when memory ran out.
HGLOBAL openKvxContainer(std::shared_ptr<const KvxContainer> container, const std::string& path);

// The parsed file behind a handle, or null for an unknown or released handle.
std::shared_ptr<const KvxContainer> findOpenFile(HGLOBAL handle);

// Counts wcsKVXLock calls; false for an unknown handle or an unlock without a lock.
bool changeFileLock(HGLOBAL handle, bool lock);

// Forgets the handle and frees its block; false for a handle that is not an open file.
bool closeOpenFile(HGLOBAL handle);

}  // namespace kvx
