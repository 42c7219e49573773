# What every Windows program of the product carries, compiled by windres from a resource script
# of its own: the icon of the program and the icon of piece files (made from the pictures in
# ui/resources/ with icotool), the manifest (cmake/windows/program.manifest.in) and the version
# resource with the product's name and version from project() and the program's description.
#
#   vornalis_windows_program(TARGET DESCRIPTION text [ELEVATED])
#
# ELEVATED: the program asks Windows for an administrator's rights (the uninstaller); the others
# run with the rights of who starts them.
# gives TARGET its resources and lists it in the global property VORNALIS_WINDOWS_PROGRAMS as
# "file name=description" (and its target in VORNALIS_WINDOWS_PROGRAM_TARGETS), which the
# resource test reads.

enable_language(RC)

# The icons' resource numbers: the program's comes first, so Explorer shows it for the program
# file; the file type of piece files names the other by its number (file,-number).
set(VORNALIS_PROGRAM_ICON_ID 1)
set(VORNALIS_SET_ICON_ID 2)

set(VORNALIS_VERSION4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
string(REPLACE "." "," VORNALIS_VERSION_COMMAS ${VORNALIS_VERSION4})

find_program(VORNALIS_ICOTOOL icotool REQUIRED)  # Debian's icoutils
set(VORNALIS_WINDOWS_RESOURCE_DIR ${CMAKE_BINARY_DIR}/windows-resources)
set(icons)
foreach(picture vornalis piece-file)
  set(pngs ${PROJECT_SOURCE_DIR}/ui/resources/${picture}-32.png
           ${PROJECT_SOURCE_DIR}/ui/resources/${picture}-64.png)
  add_custom_command(
    OUTPUT ${VORNALIS_WINDOWS_RESOURCE_DIR}/${picture}.ico
    COMMAND ${VORNALIS_ICOTOOL} -c -o ${VORNALIS_WINDOWS_RESOURCE_DIR}/${picture}.ico ${pngs}
    DEPENDS ${pngs}
    COMMENT "Making the icon ${picture}.ico"
    VERBATIM)
  list(APPEND icons ${VORNALIS_WINDOWS_RESOURCE_DIR}/${picture}.ico)
endforeach()
set(VORNALIS_PROGRAM_ICON ${VORNALIS_WINDOWS_RESOURCE_DIR}/vornalis.ico)
set(VORNALIS_SET_ICON ${VORNALIS_WINDOWS_RESOURCE_DIR}/piece-file.ico)
add_custom_target(vornalis_windows_icons DEPENDS ${icons})

function(vornalis_windows_program target)
  cmake_parse_arguments(ARG "ELEVATED" "DESCRIPTION" "" ${ARGN})
  set(VORNALIS_EXECUTION_LEVEL asInvoker)
  if(ARG_ELEVATED)
    set(VORNALIS_EXECUTION_LEVEL requireAdministrator)
  endif()
  if(NOT ARG_DESCRIPTION)
    message(FATAL_ERROR "vornalis_windows_program(${target}) needs a DESCRIPTION")
  endif()
  set(VORNALIS_FILE_DESCRIPTION "${ARG_DESCRIPTION}")
  get_target_property(VORNALIS_PROGRAM_NAME ${target} OUTPUT_NAME)
  if(NOT VORNALIS_PROGRAM_NAME)
    set(VORNALIS_PROGRAM_NAME ${target})
  endif()
  set(VORNALIS_PROGRAM_FILE ${VORNALIS_PROGRAM_NAME}${CMAKE_EXECUTABLE_SUFFIX})
  set(made ${VORNALIS_WINDOWS_RESOURCE_DIR}/${target})
  set(VORNALIS_MANIFEST ${made}/${VORNALIS_PROGRAM_NAME}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/program.manifest.in ${VORNALIS_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/program.rc.in ${made}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${made}/${target}.rc)
  set_source_files_properties(${made}/${target}.rc PROPERTIES
    OBJECT_DEPENDS "${VORNALIS_PROGRAM_ICON};${VORNALIS_SET_ICON};${VORNALIS_MANIFEST}")
  add_dependencies(${target} vornalis_windows_icons)
  set_property(GLOBAL APPEND PROPERTY VORNALIS_WINDOWS_PROGRAMS
    "${VORNALIS_PROGRAM_FILE}=${ARG_DESCRIPTION}")
  set_property(GLOBAL APPEND PROPERTY VORNALIS_WINDOWS_PROGRAM_TARGETS ${target})
endfunction()
