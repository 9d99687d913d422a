# ctest install-tree: `cmake --install` into a scratch prefix puts every file where
# the menu and the program look for it, and the installed velloran-cli, whose bin/
# can be written but has share/velloran beside it, keeps its program folder in
# the per-user data folder of a fresh HOME.
file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${SCRATCH}/prefix
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(prefix ${SCRATCH}/prefix)
foreach(f ${BINDIR}/velloran-cli ${DATADIR}/velloran/manual/help.html ${DATADIR}/velloran/manual/images/main_window.png
          ${DATADIR}/velloran/samples/multimeter.txt)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
if(EXISTS ${BUILD_DIR}/velloran)
  foreach(f ${BINDIR}/velloran ${DATADIR}/applications/velloran.desktop
            ${DATADIR}/icons/hicolor/scalable/apps/velloran.svg)
    if(NOT EXISTS ${prefix}/${f})
      message(FATAL_ERROR "not installed: ${f}")
    endif()
  endforeach()
endif()

set(home ${SCRATCH}/home)
file(MAKE_DIRECTORY ${home})
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_DATA_HOME HOME=${home}
                        ${prefix}/${BINDIR}/velloran-cli setup csvOn=1
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "installed velloran-cli setup failed (${rc}): ${out}${err}")
endif()
if(NOT EXISTS ${home}/.local/share/velloran/setup.dat)
  message(FATAL_ERROR "setup.dat is not in ${home}/.local/share/velloran")
endif()
if(EXISTS ${prefix}/${BINDIR}/setup.dat)
  message(FATAL_ERROR "the installed program wrote setup.dat beside its executable")
endif()
file(REMOVE_RECURSE ${SCRATCH})
