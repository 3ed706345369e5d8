#pragma once
// FileLib: the installation's data directory and file handles.
#include "kvxtheme/export.h"
#include "kvxtheme/globalmem.h"

extern "C" {
// The data directory (KVXTHEME_DATA_DIR, else <prefix>/share/kvxtheme/ beside the library),
// ending in '/'. Returns its length, 0 when it does not fit `size`.
KVX_API int q32FileGetFIOPath(char* buffer, int size);
// Releases a file handle of wcsOpenFile.
KVX_API int q32FileFreeFileData(HGLOBAL file);
}
