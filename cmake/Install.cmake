# Installing Velloran as a desktop program: `cmake --install` puts the executables
# in bin/, the manual and samples in share/velloran/, a menu entry and an icon in
# share/applications and share/icons; `cpack -G DEB` packs the same files.
include(GNUInstallDirs)

# The program looks for share/velloran relative to its own bin/ folder, so the
# same build works installed under /usr, /usr/local or an unpacked prefix.
file(RELATIVE_PATH _vel_share_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/velloran)
target_compile_definitions(vel_base PRIVATE VEL_SHARE_FROM_BIN="${_vel_share_from_bin}")

foreach(_exe velloran velloran-cli velloran-sim)
  if(TARGET ${_exe})
    # The office's library folders stay in the run path as the build has
    # them (the linker option of cmake/LibreOffice.cmake adds its own).
    set_target_properties(${_exe} PROPERTIES BUILD_WITH_INSTALL_RPATH TRUE INSTALL_RPATH_USE_LINK_PATH TRUE)
    install(TARGETS ${_exe} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The station unit: velloran@<folder>.service runs the program folder
# VELLORAN_STATION_BASE/<folder> with velloran-cli as the system user
# velloran, which the package creates with that folder. The files are written
# at install time, with the prefix of that install (see the script).
set(VELLORAN_STATION_BASE "/var/lib/velloran" CACHE PATH "Folder that holds one program folder per station")
install(CODE "set(_vel_source [[${PROJECT_SOURCE_DIR}]])
set(_vel_bindir [[${CMAKE_INSTALL_BINDIR}]])
set(_vel_datadir [[${CMAKE_INSTALL_DATADIR}]])
set(VELLORAN_STATION_BASE [[${VELLORAN_STATION_BASE}]])")
install(SCRIPT cmake/InstallStationFiles.cmake)
install(DIRECTORY manual/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velloran/manual)
install(DIRECTORY samples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velloran/samples)
if(TARGET velloran)
  install(FILES desktop/velloran.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES desktop/velloran.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

if(VELLORAN_TESTS)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop-entry COMMAND ${DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/desktop/velloran.desktop)
  endif()
  # Installs into a scratch prefix and runs the installed velloran-cli there.
  add_test(NAME install-tree COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
           -DSCRATCH=${PROJECT_BINARY_DIR}/install-tree-test -DBINDIR=${CMAKE_INSTALL_BINDIR}
           -DDATADIR=${CMAKE_INSTALL_DATADIR} -P ${PROJECT_SOURCE_DIR}/cmake/CheckInstall.cmake)
endif()

include(cmake/Package.cmake)
if(VELLORAN_TESTS)
  # The station unit, user and folder as the package installs them, in a
  # scratch root (skipped without systemd-analyze).
  add_test(NAME systemd_unit COMMAND sh ${PROJECT_SOURCE_DIR}/tools/verify-unit.sh ${PROJECT_BINARY_DIR}
           ${CPACK_PACKAGING_INSTALL_PREFIX})
  set_tests_properties(systemd_unit PROPERTIES SKIP_RETURN_CODE 77)
endif()
