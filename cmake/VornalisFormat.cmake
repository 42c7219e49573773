# The format's constants that the installed file types are made of (the magics, the extension and
# the type name the user sees), read from engine/format.h, where they are written once:
# VORNALIS_HEADER_MAGIC, VORNALIS_LARGE_HEADER_MAGIC (the header of a set of the large form),
# VORNALIS_PIECE_MAGIC, VORNALIS_EXTENSION and VORNALIS_TYPE_NAME.
file(STRINGS ${PROJECT_SOURCE_DIR}/engine/format.h format_lines
     REGEX "k(HeaderMagic|LargeHeaderMagic|PieceMagic|Extension|TypeName) = ")
foreach(constant HeaderMagic LargeHeaderMagic PieceMagic Extension TypeName)
  string(REGEX MATCH "k${constant} = \"([^\"]*)\"" _ "${format_lines}")
  if(NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "engine/format.h has no k${constant}")
  endif()
  set(value "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "([a-z])([A-Z])" "\\1_\\2" name "${constant}")
  string(TOUPPER "VORNALIS_${name}" name)
  set(${name} "${value}")
endforeach()
