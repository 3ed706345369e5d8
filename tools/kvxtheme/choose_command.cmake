# choose: the theme page in a real GTK window, compiled into the tool. The dialog classes it
# drives are exported by libkvxtheme.
if(GTK3_FOUND)
  file(GLOB KVX_CHOOSER_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/src/platform/dialog_gtk/*.cpp)
  target_sources(kvxtheme_cli_objects PRIVATE ${KVX_CHOOSER_SOURCES})
  target_link_libraries(kvxtheme_cli_objects PUBLIC PkgConfig::GTK3)
  target_compile_definitions(kvxtheme_cli_objects PRIVATE KVX_HAVE_GTK=1)
endif()
