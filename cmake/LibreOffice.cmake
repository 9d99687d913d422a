# The live workbook on LibreOffice Calc over UNO.
#
# Looks for the office's development kit (Debian: libreoffice-dev) and, when
# it is there and VELLORAN_LIBREOFFICE is on, adds the backend in
# src/output/libreoffice/ to vel_output. That folder is not part of the
# src/output/*.cpp glob, so a build without the kit never compiles it and the
# program falls back to the backend that cannot start a spreadsheet.
#
# The UNO C++ headers the backend includes are generated at build time with
# cppumaker from the office's type registries, only for the types named
# below (and the types they depend on), into the build directory.

set(LIBREOFFICE_SDK_DIR "/usr/lib/libreoffice/sdk" CACHE PATH "LibreOffice SDK folder")
set(LIBREOFFICE_PROGRAM_DIR "/usr/lib/libreoffice/program" CACHE PATH "LibreOffice program folder")

find_program(LIBREOFFICE_CPPUMAKER cppumaker PATHS ${LIBREOFFICE_SDK_DIR}/bin NO_DEFAULT_PATH)
find_path(LIBREOFFICE_INCLUDE_DIR cppuhelper/bootstrap.hxx PATHS ${LIBREOFFICE_SDK_DIR}/include /usr/include/libreoffice)
set(_vel_lo_libraries)
foreach(_lib uno_cppuhelpergcc3 uno_cppu uno_sal)
  find_library(LIBREOFFICE_${_lib} NAMES ${_lib} PATHS ${LIBREOFFICE_SDK_DIR}/lib NO_DEFAULT_PATH)
  list(APPEND _vel_lo_libraries ${LIBREOFFICE_${_lib}})
endforeach()

set(_vel_lo_found OFF)
if(LIBREOFFICE_CPPUMAKER AND LIBREOFFICE_INCLUDE_DIR AND LIBREOFFICE_uno_cppuhelpergcc3 AND LIBREOFFICE_uno_cppu
   AND LIBREOFFICE_uno_sal AND EXISTS ${LIBREOFFICE_PROGRAM_DIR}/types.rdb
   AND EXISTS ${LIBREOFFICE_PROGRAM_DIR}/types/offapi.rdb)
  set(_vel_lo_found ON)
endif()
option(VELLORAN_LIBREOFFICE "Build the LibreOffice Calc workbook backend" ${_vel_lo_found})

if(VELLORAN_LIBREOFFICE AND NOT _vel_lo_found)
  message(WARNING "LibreOffice SDK not found (libreoffice-dev): the workbook cannot be opened in this build")
  set(VELLORAN_LIBREOFFICE OFF CACHE BOOL "" FORCE)
endif()
if(NOT VELLORAN_LIBREOFFICE)
  message(STATUS "Workbook backend: none (opening a workbook reports that the spreadsheet cannot start)")
  return()
endif()
message(STATUS "Workbook backend: LibreOffice Calc (${LIBREOFFICE_PROGRAM_DIR})")

set(_vel_uno_types
  com.sun.star.awt.XTopWindow2
  com.sun.star.awt.XWindow
  com.sun.star.beans.PropertyValue
  com.sun.star.beans.XPropertySet
  com.sun.star.bridge.BridgeFactory
  com.sun.star.bridge.XBridge
  com.sun.star.connection.Connector
  com.sun.star.connection.NoConnectException
  com.sun.star.container.XEnumeration
  com.sun.star.container.XEnumerationAccess
  com.sun.star.container.XIndexAccess
  com.sun.star.document.MacroExecMode
  com.sun.star.document.UpdateDocMode
  com.sun.star.frame.Desktop
  com.sun.star.frame.XController
  com.sun.star.frame.XDesktop2
  com.sun.star.frame.XFrame
  com.sun.star.frame.XModel
  com.sun.star.frame.XStorable
  com.sun.star.lang.DisposedException
  com.sun.star.lang.IndexOutOfBoundsException
  com.sun.star.lang.Locale
  com.sun.star.lang.XComponent
  com.sun.star.sheet.XCellRangeAddressable
  com.sun.star.sheet.XSpreadsheet
  com.sun.star.sheet.XSpreadsheetDocument
  com.sun.star.sheet.XSpreadsheetView
  com.sun.star.table.CellContentType
  com.sun.star.table.XCell
  com.sun.star.table.XCellRange
  com.sun.star.text.XTextRange
  com.sun.star.uno.DeploymentException
  com.sun.star.uno.RuntimeException
  com.sun.star.uno.XComponentContext
  com.sun.star.util.XCloseable
  com.sun.star.util.XNumberFormats
  com.sun.star.util.XNumberFormatsSupplier
  com.sun.star.view.XSelectionSupplier
)
set(_vel_uno_dir ${CMAKE_BINARY_DIR}/uno-headers)
set(_vel_uno_type_args)
foreach(_type ${_vel_uno_types})
  list(APPEND _vel_uno_type_args -T${_type})
endforeach()
add_custom_command(
  OUTPUT ${_vel_uno_dir}/stamp
  COMMAND ${LIBREOFFICE_CPPUMAKER} -Gc -O${_vel_uno_dir} ${_vel_uno_type_args}
          file://${LIBREOFFICE_PROGRAM_DIR}/types.rdb file://${LIBREOFFICE_PROGRAM_DIR}/types/offapi.rdb
  COMMAND ${CMAKE_COMMAND} -E touch ${_vel_uno_dir}/stamp
  DEPENDS ${LIBREOFFICE_PROGRAM_DIR}/types.rdb ${LIBREOFFICE_PROGRAM_DIR}/types/offapi.rdb
  COMMENT "Generating UNO headers"
  VERBATIM)
add_custom_target(vel_uno_headers DEPENDS ${_vel_uno_dir}/stamp)

file(GLOB _vel_lo_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/output/libreoffice/*.cpp)
target_sources(vel_output PRIVATE ${_vel_lo_sources})
add_dependencies(vel_output vel_uno_headers)
target_include_directories(vel_output SYSTEM PRIVATE ${LIBREOFFICE_INCLUDE_DIR} ${_vel_uno_dir})
target_compile_definitions(vel_output
  PUBLIC VELLORAN_HAVE_LIBREOFFICE
  PRIVATE LINUX UNX CPPU_ENV=gcc3 VELLORAN_OFFICE_PROGRAM_DIR="${LIBREOFFICE_PROGRAM_DIR}")
# The kit's link libraries point into the program folder, where the office
# loads the same libraries from at run time.
target_link_libraries(vel_output PUBLIC ${_vel_lo_libraries})
target_link_options(vel_output INTERFACE "LINKER:-rpath,${LIBREOFFICE_PROGRAM_DIR}")
