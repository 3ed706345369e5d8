# What `cmake --install` puts where: the library with its public headers, pkg-config file and
# CMake package; the tool and the authoring library; the project library; the frei0r filter.
install(TARGETS kvxtheme kvxtheme_headers EXPORT kvxthemeTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kvxtheme
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
# The pkg-config file finds its prefix from its own place, so an installed tree can be moved.
file(RELATIVE_PATH KVX_PC_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${PROJECT_SOURCE_DIR}/cmake/kvxtheme.pc.in ${PROJECT_BINARY_DIR}/kvxtheme.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kvxtheme.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

include(CMakePackageConfigHelpers)
set(KVX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kvxtheme)
install(EXPORT kvxthemeTargets NAMESPACE kvxtheme:: DESTINATION ${KVX_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kvxthemeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kvxthemeConfig.cmake INSTALL_DESTINATION ${KVX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kvxthemeConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kvxthemeConfig.cmake
  ${PROJECT_BINARY_DIR}/kvxthemeConfigVersion.cmake DESTINATION ${KVX_CMAKE_DIR})

install(TARGETS kvxtheme_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kvxtheme_authoring LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Beside the library, where the binding looks first, and in the data directory, where it looks
# next.
install(TARGETS q32prj LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS q32prj LIBRARY DESTINATION ${CMAKE_INSTALL_DATADIR}/kvxtheme)
if(TARGET kvxtheme_frei0r)
  install(TARGETS kvxtheme_frei0r LIBRARY DESTINATION ${KVX_FREI0R_DIR})
  # Kdenlive lists a frei0r filter only with an effect description in its effects folder.
  install(FILES ${PROJECT_SOURCE_DIR}/tools/frei0r/kdenlive/frei0r_kvxtheme.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kdenlive/effects)
endif()
if(TARGET kvxtheme_gst)
  install(TARGETS kvxtheme_gst LIBRARY DESTINATION ${KVX_GST_PLUGIN_DIR})
endif()
if(TARGET kvx_man_pages)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/man/man1/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET kvxtheme_python)
  install(TARGETS kvxtheme_python LIBRARY DESTINATION ${KVX_PYTHON_DIR}/kvxtheme)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/kvxtheme/ DESTINATION ${KVX_PYTHON_DIR}/kvxtheme)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# `cmake --build <build> --target uninstall` removes what the last install of this tree put in
# place (cmake/KvxUninstall.cmake).
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt
    -P ${PROJECT_SOURCE_DIR}/cmake/KvxUninstall.cmake
  COMMENT "Removing the installed files")
