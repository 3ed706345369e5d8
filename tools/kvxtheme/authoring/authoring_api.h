#pragma once
// The authoring library is shared with the command-line tool while keeping its own copies of
// the render and container libraries private; only what this marks is visible outside it.
#if defined(__GNUC__)
#define KVX_AUTHORING_API __attribute__((visibility("default")))
#else
#define KVX_AUTHORING_API
#endif
