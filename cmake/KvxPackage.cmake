# Debian packages from the install components (`cpack -G DEB` in the build tree, or
# scripts/package.sh): kvxtheme (library, tool, project library, sample themes, manual pages),
# kvxtheme-dev, kvxtheme-plugins (frei0r filter, GStreamer element) and python3-kvxtheme.
# Packages install under /usr, so the plug-in and Python folders are Debian's own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvxtheme)
set(CPACK_PACKAGE_VENDOR "kvxtheme")
set(CPACK_PACKAGE_CONTACT "kvxtheme maintainers <kvxtheme@localhost>")
# Each package's description is its own (CPACK_DEBIAN_<COMPONENT>_DESCRIPTION, summary first);
# a project-wide summary would be put before each.
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/KvxPackageManPages.cmake)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The packages' own libraries are found in the build tree; their dependency is the one below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME kvxtheme)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION video)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
  "theme-effect engine for Linux video tools\nThe kvxtheme library, the kvxtheme tool (render, pack, preview, choose) and the sample themes.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME kvxtheme-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_DEV_DESCRIPTION
  "theme-effect engine for Linux video tools - development files\nC++20 headers, pkg-config file and CMake package (kvxtheme::kvxtheme) for hosts of the engine.")

if(TARGET kvxtheme_frei0r OR TARGET kvxtheme_gst)
  list(APPEND CPACK_COMPONENTS_ALL plugins)
  set(CPACK_DEBIAN_PLUGINS_PACKAGE_NAME kvxtheme-plugins)
  set(CPACK_COMPONENT_PLUGINS_DEPENDS runtime)
  set(CPACK_DEBIAN_PLUGINS_DESCRIPTION
    "theme-effect engine for Linux video tools - frei0r filter and GStreamer element\nThe frei0r filter for ffmpeg, MLT and Kdenlive, and the GStreamer element kvxtheme.")
endif()
if(TARGET kvxtheme_python)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kvxtheme)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, python3-numpy")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "theme-effect engine for Linux video tools - Python 3 module\nThe kvxtheme module: themes, effects over numpy frames, batch renders.")
endif()
include(CPack)
