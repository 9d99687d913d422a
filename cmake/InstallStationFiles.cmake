# Runs at install time (cmake --install, cpack): writes the station unit and
# its sysusers.d and tmpfiles.d files with the prefix being installed to, so
# that the unit of a .deb (prefix /usr) starts /usr/bin/velloran-cli and that
# of `cmake --install` (/usr/local by default) the one installed there.
# Set before this script: _vel_source, _vel_bindir, _vel_datadir, VELLORAN_STATION_BASE.
foreach(_dir _vel_bindir _vel_datadir)
  if(IS_ABSOLUTE "${${_dir}}")
    set(${_dir}_full "${${_dir}}")
  else()
    set(${_dir}_full "${CMAKE_INSTALL_PREFIX}/${${_dir}}")
  endif()
endforeach()
set(VELLORAN_CLI "${_vel_bindir_full}/velloran-cli")
set(VELLORAN_MANUAL "${_vel_datadir_full}/velloran/manual/help.html")

set(_vel_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib")
foreach(_pair "velloran@.service.in|systemd/system/velloran@.service" "sysusers.conf.in|sysusers.d/velloran.conf"
              "tmpfiles.conf.in|tmpfiles.d/velloran.conf")
  string(REPLACE "|" ";" _pair "${_pair}")
  list(GET _pair 0 _from)
  list(GET _pair 1 _to)
  message(STATUS "Installing: ${_vel_root}/${_to}")
  configure_file("${_vel_source}/packaging/${_from}" "${_vel_root}/${_to}" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_vel_root}/${_to}")
endforeach()
