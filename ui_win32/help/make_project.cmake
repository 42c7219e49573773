# cmake -DPAGES_DIR=... -DPAGES="a.html;b.css" -DKEYWORDS_FROM=vornalis.qhp -DOUT_DIR=... -P make_project.cmake
# Lays out the HTML Help project that chmcmd compiles into Vornalis.chm: copies of the pages, and
# Vornalis.hhp (the options, the help window and the files), Vornalis.hhc (the contents: the
# first page, then every other page below it in the list's order, each under its <title>) and
# Vornalis.hhk (the index: the key words the Qt help's project names, in alphabetical order).
cmake_minimum_required(VERSION 3.25)
foreach(var PAGES_DIR PAGES KEYWORDS_FROM OUT_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_project.cmake needs -D${var}=...")
  endif()
endforeach()

# A text as the value of an attribute of the sitemap files.
function(attribute_value text out)
  string(REPLACE "\"" "&quot;" text "${text}")
  string(REGEX REPLACE "[\r\n\t ]+" " " text "${text}")
  string(STRIP "${text}" text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(sitemap_entry name page indent out)
  attribute_value("${name}" name)
  set(${out} "${indent}<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"${name}\">\
<param name=\"Local\" value=\"${page}\"></OBJECT>\n" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
set(html_pages)
foreach(page ${PAGES})
  file(COPY ${PAGES_DIR}/${page} DESTINATION ${OUT_DIR})
  if(page MATCHES "\\.html?$")
    list(APPEND html_pages ${page})
  endif()
endforeach()
list(LENGTH html_pages count)
if(count EQUAL 0)
  message(FATAL_ERROR "the help has no pages")
endif()

set(header "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<HTML>\n<HEAD>\n\
<meta name=\"GENERATOR\" content=\"make_project.cmake\">\n</HEAD>\n<BODY>\n")
set(contents "${header}<OBJECT type=\"text/site properties\">\n\
<param name=\"ImageType\" value=\"Folder\">\n</OBJECT>\n<UL>\n")
set(first "")
foreach(page ${html_pages})
  file(READ ${PAGES_DIR}/${page} html)
  if(NOT html MATCHES "<title>([^<]*)</title>")
    message(FATAL_ERROR "${page} has no <title>")
  endif()
  set(title_of_${page} "${CMAKE_MATCH_1}")
  sitemap_entry("${CMAKE_MATCH_1}" ${page} "" entry)
  if(first STREQUAL "")
    set(first ${page})
    set(title "${CMAKE_MATCH_1}")
    set(contents "${contents}${entry}<UL>\n")
  else()
    set(contents "${contents}  ${entry}")
  endif()
endforeach()
set(contents "${contents}</UL>\n</UL>\n</BODY>\n</HTML>\n")
file(WRITE ${OUT_DIR}/Vornalis.hhc "${contents}")

# The key words, each with the pages it leads to, sorted as the index shows them.
file(READ ${KEYWORDS_FROM} project)
string(REGEX MATCHALL "<keyword name=\"[^\"]*\" ref=\"[^\"]*\"" keywords "${project}")
set(names)
foreach(keyword ${keywords})
  string(REGEX MATCH "name=\"([^\"]*)\" ref=\"([^\"]*)\"" _ "${keyword}")
  set(name "${CMAKE_MATCH_1}")
  set(page "${CMAKE_MATCH_2}")
  if(NOT page IN_LIST html_pages)
    message(FATAL_ERROR "the key word '${name}' leads to ${page}, which is not a page of the help")
  endif()
  string(MD5 key "${name}")
  if(NOT DEFINED pages_${key})
    list(APPEND names "${name}")
  endif()
  list(APPEND pages_${key} ${page})
endforeach()
list(SORT names CASE INSENSITIVE)
set(index "${header}<UL>\n")
foreach(name ${names})
  string(MD5 key "${name}")
  attribute_value("${name}" shown)
  set(index "${index}<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"${shown}\">")
  list(LENGTH pages_${key} count)
  foreach(page ${pages_${key}})
    if(count GREATER 1)  # the topics to choose from, by their titles
      attribute_value("${title_of_${page}}" topic)
      set(index "${index}<param name=\"Name\" value=\"${topic}\">")
    endif()
    set(index "${index}<param name=\"Local\" value=\"${page}\">")
  endforeach()
  set(index "${index}</OBJECT>\n")
endforeach()
set(index "${index}</UL>\n</BODY>\n</HTML>\n")
file(WRITE ${OUT_DIR}/Vornalis.hhk "${index}")

# The help window "main": three panes (0x20) with the Contents, Index and Search (0x400) tabs in
# a pane 240 wide, following the topic shown (0x100), titled by it (0x2000), at its place on the
# screen (0x40000); the buttons Hide, Back, Forward, Home, Options and Print (0x304e).
attribute_value("${title}" title)
string(REPLACE ";" "\n" files "${PAGES}")
file(WRITE ${OUT_DIR}/Vornalis.hhp "[OPTIONS]
Compatibility=1.1 or later
Compiled file=Vornalis.chm
Contents file=Vornalis.hhc
Index file=Vornalis.hhk
Default topic=${first}
Default Window=main
Display compile progress=No
Full-text search=Yes
Language=0x409 English (United States)
Title=${title}

[WINDOWS]
main=\"${title}\",\"Vornalis.hhc\",\"Vornalis.hhk\",\"${first}\",\"${first}\",,,,,0x42520,240,0x304e,[60,40,940,720],,,,,,,0

[FILES]
${files}
")
