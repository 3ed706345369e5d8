# What `cmake --install` puts where: the library with its public headers, pkg-config file and
# CMake package; the tool and the authoring library; the project library; the frei0r filter.
# Components are the Debian packages cmake/KvxPackage.cmake builds: runtime, dev, plugins, python.
install(TARGETS kvxtheme kvxtheme_headers EXPORT kvxthemeTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kvxtheme
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev FILES_MATCHING PATTERN "*.h")
# The pkg-config file finds its prefix from its own place, so an installed tree can be moved.
file(RELATIVE_PATH KVX_PC_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${PROJECT_SOURCE_DIR}/cmake/kvxtheme.pc.in ${PROJECT_BINARY_DIR}/kvxtheme.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kvxtheme.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT dev)

include(CMakePackageConfigHelpers)
set(KVX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kvxtheme)
install(EXPORT kvxthemeTargets NAMESPACE kvxtheme:: DESTINATION ${KVX_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kvxthemeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kvxthemeConfig.cmake INSTALL_DESTINATION ${KVX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kvxthemeConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kvxthemeConfig.cmake
  ${PROJECT_BINARY_DIR}/kvxthemeConfigVersion.cmake DESTINATION ${KVX_CMAKE_DIR} COMPONENT dev)

install(TARGETS kvxtheme_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(TARGETS kvxtheme_authoring LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
  NAMELINK_COMPONENT dev)
# Beside the library, where the binding looks first, and in the data directory, where it looks
# next.
install(TARGETS q32prj LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
install(TARGETS q32prj LIBRARY DESTINATION ${CMAKE_INSTALL_DATADIR}/kvxtheme COMPONENT runtime)
if(TARGET kvxtheme_frei0r)
  install(TARGETS kvxtheme_frei0r LIBRARY DESTINATION ${KVX_FREI0R_DIR} COMPONENT plugins)
  # Kdenlive lists a frei0r filter only with an effect description in its effects folder.
  install(FILES ${PROJECT_SOURCE_DIR}/tools/frei0r/kdenlive/frei0r_kvxtheme.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kdenlive/effects COMPONENT plugins)
endif()
# The Python package and the GStreamer plug-in go where the system's Python and GStreamer look,
# which depends on the prefix given to `cmake --install --prefix` (or CPack's), so the folders
# are chosen when installing, not when configuring.
if(TARGET kvxtheme_gst)
  get_target_property(kvx_gst_system_prefix kvxtheme_gst KVX_SYSTEM_PREFIX)
  get_target_property(kvx_gst_system_dir kvxtheme_gst KVX_SYSTEM_DIR)
  install(CODE "
    if(NOT \"${KVX_GST_PLUGIN_DIR}\" STREQUAL \"\")
      set(KVX_GST_INSTALL_DIR \"${KVX_GST_PLUGIN_DIR}\")
    elseif(CMAKE_INSTALL_PREFIX STREQUAL \"${kvx_gst_system_prefix}\")
      set(KVX_GST_INSTALL_DIR ${kvx_gst_system_dir})
    else()
      set(KVX_GST_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/gstreamer-1.0)
    endif()
    if(IS_ABSOLUTE \"\${KVX_GST_INSTALL_DIR}\")
      file(RELATIVE_PATH KVX_GST_INSTALL_DIR \"\${CMAKE_INSTALL_PREFIX}\" \"\${KVX_GST_INSTALL_DIR}\")
    endif()" ALL_COMPONENTS)
  install(TARGETS kvxtheme_gst LIBRARY DESTINATION "\${KVX_GST_INSTALL_DIR}" COMPONENT plugins)
endif()
if(TARGET kvx_man_pages)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/man/man1/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT runtime)
endif()
if(TARGET kvxtheme_python)
  get_target_property(kvx_python_versioned_dir kvxtheme_python KVX_VERSIONED_DIR)
  install(CODE "
    if(NOT \"${KVX_PYTHON_DIR}\" STREQUAL \"\")
      set(KVX_PYTHON_INSTALL_DIR \"${KVX_PYTHON_DIR}\")
    elseif(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(KVX_PYTHON_INSTALL_DIR lib/python3/dist-packages)
    else()
      set(KVX_PYTHON_INSTALL_DIR ${kvx_python_versioned_dir})
    endif()
    if(IS_ABSOLUTE \"\${KVX_PYTHON_INSTALL_DIR}\")
      file(RELATIVE_PATH KVX_PYTHON_INSTALL_DIR \"\${CMAKE_INSTALL_PREFIX}\" \"\${KVX_PYTHON_INSTALL_DIR}\")
    endif()" ALL_COMPONENTS)
  install(TARGETS kvxtheme_python LIBRARY DESTINATION "\${KVX_PYTHON_INSTALL_DIR}/kvxtheme"
    COMPONENT python)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/kvxtheme/
    DESTINATION "\${KVX_PYTHON_INSTALL_DIR}/kvxtheme" COMPONENT python)
endif()

# `copyright` is Debian's machine-readable statement of the same licence.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/cmake/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

# `cmake --build <build> --target uninstall` removes what the last install of this tree put in
# place (cmake/KvxUninstall.cmake).
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt
    -P ${PROJECT_SOURCE_DIR}/cmake/KvxUninstall.cmake
  COMMENT "Removing the installed files")
