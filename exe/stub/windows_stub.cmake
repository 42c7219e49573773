# The file layout of the Windows stub. Make .EXE writes the set's file count and name at fixed
# file offsets (32824 on), so nothing of the program may lie there: the stub's first section,
# .patch, is a block of zero bytes (patch_section.cpp) that starts right after the file's
# headers and reaches past the patch area; the code and data follow it.
#
# The linker script is the linker's own default, written out at configure time, with .patch put
# before .text and .text moved to the next free place. (A script that only inserts a section
# makes this linker crash.)
function(vornalis_windows_stub_layout target)
  execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE verbose RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CMAKE_LINKER} --verbose failed: no default linker script to start from")
  endif()
  string(REGEX MATCH "=+\n(.*)\n=+" _ "${verbose}")
  set(script "${CMAKE_MATCH_1}")
  set(text_line ".text  __image_base__ + ( __section_alignment__ < 0x1000 ? . : __section_alignment__ ) :")
  string(FIND "${script}" "${text_line}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the linker's default script has no .text line to put .patch before")
  endif()
  string(REPLACE "${text_line}"
    ".patch  __image_base__ + ( __section_alignment__ < 0x1000 ? . : __section_alignment__ ) :\n  {\n    KEEP (*(.patch))\n  }\n  .text ALIGN(__section_alignment__) :"
    script "${script}")
  set(script_path ${CMAKE_CURRENT_BINARY_DIR}/windows_stub.ld)
  file(WRITE ${script_path} "${script}\n")
  target_link_options(${target} PRIVATE -static -s -Wl,--gc-sections -Wl,-T,${script_path})
endfunction()
