#pragma once
// CommonLib: the per-thread error record hosts read after a failure, and path splitting.
#include <string>

#include "kvxtheme/export.h"

// The error number recorded when memory runs out, or a theme asks for more than it may hold.
constexpr int kErrorOutOfMemory = 1001;

extern "C" {
// Records an error for the calling thread: detail text (may be null), error number, severity,
// module number, location code and a further code.
KVX_API void c32SetDLLErrInfo(const char* detail, int error, int severity, int module, int location,
                              int code);
// Returns the recorded error number (0 when none) and fills every non-null out argument.
// `detail` receives at most 255 bytes and a NUL.
KVX_API int c32GetDLLErrorInfo(char* detail, int* error, int* severity, int* module, int* location,
                               int* code);
KVX_API void c32ClearDLLErrInfo();
}

// Splits `path` into its file name and its directory (with the trailing '/'); either output
// may be null, each receives at most 259 bytes and a NUL. Returns 1, or 0 for a null path.
KVX_API int qfdSplitPathname(const char* path, char* name, char* directory);
