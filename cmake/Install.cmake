# Install rules: the libraries as the CMake package Veltra (components Core, Data, Headless,
# Qt) and as pkg-config files, the public headers, the Access reader helper and the Qt
# Designer plugin. Every path inside the install is relative to it, so it can move.
include(CMakePackageConfigHelpers)

set(veltra_libraries veltra_core veltra_data veltra_headless)
set(veltra_components Core Data Headless)
if(VELTRA_BUILD_QT)
  list(APPEND veltra_libraries veltra_qt)
  list(APPEND veltra_components Qt)
endif()

foreach(library component IN ZIP_LISTS veltra_libraries veltra_components)
  string(REPLACE "_" "-" output ${library})
  set_target_properties(${library} PROPERTIES
    OUTPUT_NAME ${output}
    EXPORT_NAME ${component}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    # The libraries find each other in their own folder.
    INSTALL_RPATH "$ORIGIN")
endforeach()

install(TARGETS ${veltra_libraries} EXPORT VeltraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime
          NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(EXPORT VeltraTargets NAMESPACE Veltra:: FILE VeltraTargets.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Veltra COMPONENT Development)

set(VELTRA_COMPONENTS ${veltra_components})
configure_package_config_file(cmake/VeltraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VeltraConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Veltra)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VeltraConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VeltraConfig.cmake
              ${PROJECT_BINARY_DIR}/VeltraConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Veltra COMPONENT Development)

# The public headers only: the ones under src/ stay private.
install(DIRECTORY include/veltra DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT Development
  PATTERN "qt" EXCLUDE)
if(VELTRA_BUILD_QT)
  install(DIRECTORY include/veltra/qt DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/veltra
    COMPONENT Development)
endif()

# pkg-config files, their prefix found from where they lie.
file(RELATIVE_PATH VELTRA_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
set(pc_core_requires "")
set(pc_data_requires "veltra-core = ${PROJECT_VERSION}")
set(pc_headless_requires "veltra-data = ${PROJECT_VERSION}")
set(pc_qt_requires "veltra-data = ${PROJECT_VERSION}, Qt6Widgets")
foreach(library IN LISTS veltra_libraries)
  string(REPLACE "veltra_" "" short ${library})
  string(REPLACE "_" "-" VELTRA_PC_NAME ${library})
  set(VELTRA_PC_REQUIRES ${pc_${short}_requires})
  configure_file(cmake/veltra.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/${VELTRA_PC_NAME}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${VELTRA_PC_NAME}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Development)
endforeach()

if(VELTRA_ACCESS)
  install(TARGETS veltra-mdb-reader RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/veltra
    COMPONENT Runtime)
endif()

# The Designer plugin goes where Qt looks for Designer's plugins under this prefix (Qt's own
# plugin folder, lib/<arch>/qt6/plugins on Debian), and finds the libraries from there.
if(TARGET veltra_designer)
  set(VELTRA_DESIGNER_DIR ${QT6_INSTALL_PLUGINS}/designer)
  file(RELATIVE_PATH designer_to_libraries ${CMAKE_INSTALL_PREFIX}/${VELTRA_DESIGNER_DIR}
       ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(veltra_designer PROPERTIES INSTALL_RPATH "$ORIGIN/${designer_to_libraries}")
  install(TARGETS veltra_designer LIBRARY DESTINATION ${VELTRA_DESIGNER_DIR} COMPONENT Designer)
endif()
