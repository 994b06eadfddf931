# Debian packages made by CPack: veltra (the libraries and the Access reader helper),
# veltra-dev (headers, the CMake package, pkg-config files) and veltra-designer (the Qt
# Designer plugin).
set(CPACK_PACKAGE_NAME veltra)
set(CPACK_PACKAGE_VENDOR "Veltra")
set(CPACK_PACKAGE_CONTACT "Veltra <veltra@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Search combo box for desktop data-entry forms over one table of a database file")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
if(TARGET veltra_designer)
  list(APPEND CPACK_COMPONENTS_ALL Designer)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# The libraries' own dependencies come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME veltra)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME veltra-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "qt6-base-dev")
set(CPACK_DEBIAN_DESIGNER_PACKAGE_NAME veltra-designer)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_RECOMMENDS "designer-qt6")
# dpkg-shlibdeps cannot see the libraries of the veltra package this one depends on.
set(CPACK_DEBIAN_DESIGNER_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libstdc++6, libc6")

include(CPack)
cpack_add_component(Runtime DISPLAY_NAME "Veltra libraries")
cpack_add_component(Development DISPLAY_NAME "Veltra development files" DEPENDS Runtime)
cpack_add_component(Designer DISPLAY_NAME "Veltra Qt Designer plugin" DEPENDS Runtime)
