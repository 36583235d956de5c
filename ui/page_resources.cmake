# Compiles the page's files, as listed in ui/page/resources.txt, into a
# generated source of byte arrays. The list is re-read when the manifest
# changes; a changed page file regenerates the source.
set(PAGE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/page)
set(PAGE_MANIFEST ${PAGE_DIR}/resources.txt)
set(PAGE_RESOURCES_CPP ${CMAKE_CURRENT_BINARY_DIR}/page_resources_data.cpp)
set(PAGE_FILES "")
if(EXISTS ${PAGE_MANIFEST})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PAGE_MANIFEST})
  list(APPEND PAGE_FILES ${PAGE_MANIFEST})
  file(STRINGS ${PAGE_MANIFEST} page_lines)
  foreach(line IN LISTS page_lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^([^# \t][^ \t]*)[ \t]+(.+)$")
      string(STRIP "${CMAKE_MATCH_2}" page_file)
      list(APPEND PAGE_FILES ${PAGE_DIR}/${page_file})
    endif()
  endforeach()
endif()
add_custom_command(
  OUTPUT ${PAGE_RESOURCES_CPP}
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${PAGE_MANIFEST} -DPAGE_DIR=${PAGE_DIR}
          -DOUTPUT=${PAGE_RESOURCES_CPP} -P ${CMAKE_CURRENT_SOURCE_DIR}/embed_page_resources.cmake
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/embed_page_resources.cmake ${PAGE_FILES}
  COMMENT "Embedding the page resources"
  VERBATIM)
