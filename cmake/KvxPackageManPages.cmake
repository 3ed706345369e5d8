# Run by CPack between staging and packing: Debian ships manual pages compressed (gzip -9n, so
# that two builds give the same bytes).
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_DIRECTORY}/*.1")
list(FILTER pages INCLUDE REGEX "/share/man/man1/[^/]*\\.1$")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
