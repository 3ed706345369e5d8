#pragma once
// The authoring library is shared with the command-line tool and calls libkvxtheme.so for
// rendering and theme files; only what this marks is visible outside it.
#if defined(__GNUC__)
#define KVX_AUTHORING_API __attribute__((visibility("default")))
#else
#define KVX_AUTHORING_API
#endif
