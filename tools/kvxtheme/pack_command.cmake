# pack, info and texture: the authoring library beside libkvxtheme.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/authoring ${CMAKE_CURRENT_BINARY_DIR}/authoring)
target_link_libraries(kvxtheme_cli_objects PUBLIC kvxtheme_authoring)
