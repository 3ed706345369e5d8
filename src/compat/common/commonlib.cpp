#include "kvxtheme/commonlib.h"

#include <cstring>

namespace {

struct ErrorRecord {
  int error = 0;
  int severity = 0;
  int module = 0;
  int location = 0;
  int code = 0;
  char detail[256] = {};
};

thread_local ErrorRecord record;

void copyBounded(char* out, const char* in, size_t capacity) {
  size_t n = in ? strnlen(in, capacity - 1) : 0;
  if (n) std::memcpy(out, in, n);
  out[n] = '\0';
}

}  // namespace

extern "C" {

void c32SetDLLErrInfo(const char* detail, int error, int severity, int module, int location,
                      int code) {
  record.error = error;
  record.severity = severity;
  record.module = module;
  record.location = location;
  record.code = code;
  copyBounded(record.detail, detail, sizeof(record.detail));
}

int c32GetDLLErrorInfo(char* detail, int* error, int* severity, int* module, int* location,
                       int* code) {
  if (detail) copyBounded(detail, record.detail, sizeof(record.detail));
  if (error) *error = record.error;
  if (severity) *severity = record.severity;
  if (module) *module = record.module;
  if (location) *location = record.location;
  if (code) *code = record.code;
  return record.error;
}

void c32ClearDLLErrInfo() {
  record = ErrorRecord{};
}

}  // extern "C"

int qfdSplitPathname(const char* path, char* name, char* directory) {
  if (!path) return 0;
  const char* slash = std::strrchr(path, '/');
  size_t dirLength = slash ? static_cast<size_t>(slash - path) + 1 : 0;
  if (directory) {
    size_t n = dirLength < 259 ? dirLength : 259;
    std::memcpy(directory, path, n);
    directory[n] = '\0';
  }
  if (name) copyBounded(name, path + dirLength, 260);
  return 1;
}
