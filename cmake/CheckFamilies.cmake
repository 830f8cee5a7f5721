# Checks that a library's families (its subfolders) include one another in one direction only:
# a file may include its own family and the families before it in FAMILIES, never one after it,
# so no cycle between folders can form.
#   cmake -DLIBRARY=engine -DLIBRARY_DIR=<src/engine> -DFAMILIES="core;color;..." -P CheckFamilies.cmake
# Every source must lie in a family folder, and every include of the library must name its family.
if(NOT LIBRARY OR NOT LIBRARY_DIR OR NOT FAMILIES)
  message(FATAL_ERROR "CheckFamilies: LIBRARY, LIBRARY_DIR and FAMILIES are required")
endif()

file(GLOB_RECURSE sources RELATIVE ${LIBRARY_DIR} ${LIBRARY_DIR}/*.h ${LIBRARY_DIR}/*.cpp)
set(problems "")
foreach(source ${sources})
  string(REGEX MATCH "^[^/]+" family "${source}")
  list(FIND FAMILIES "${family}" rank)
  if(rank LESS 0 OR source STREQUAL family)
    list(APPEND problems "${source} lies outside the families (${FAMILIES})")
    continue()
  endif()
  file(STRINGS ${LIBRARY_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+[\"<]${LIBRARY}/")
  foreach(line ${includes})
    string(REGEX REPLACE "^[^\"<]*[\"<]${LIBRARY}/([^\">]*)[\">].*$" "\\1" target "${line}")
    string(REGEX MATCH "^[^/]+" targetFamily "${target}")
    list(FIND FAMILIES "${targetFamily}" targetRank)
    if(targetRank LESS 0 OR target STREQUAL targetFamily)
      list(APPEND problems "${source} includes ${LIBRARY}/${target}, which names no family")
    elseif(targetRank GREATER rank)
      list(APPEND problems "${source} includes ${LIBRARY}/${target}: ${family} may not include ${targetFamily}")
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "The ${LIBRARY}'s families include upwards:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "The ${LIBRARY}'s families: ${count} files include only their own and lower families")
