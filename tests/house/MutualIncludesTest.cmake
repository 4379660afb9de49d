# ctest -P script: no two classes of ui/ include each other. A class is its header and its source
# together, so a.cpp including b.h while b.cpp includes a.h is such a pair. The scan is first tried
# on a small tree with one pair, then run on ui/; the pairs found there are named and fail the test.
# Inputs: SOURCE (the project's folder), WORK (a scratch folder).
cmake_minimum_required(VERSION 3.25)

# The pairs "a <-> b" of classes under root/ui that include each other, into out.
function(mutual_includes root out)
  file(GLOB_RECURSE files RELATIVE ${root} ${root}/ui/*.h ${root}/ui/*.cpp)
  set(edges "")
  foreach(file IN LISTS files)
    string(REGEX REPLACE "\\.[^./]+$" "" from "${file}")
    file(STRINGS ${root}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"ui/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" included "${line}")
      string(REGEX REPLACE "\\.[^./]+$" "" to "${included}")
      if(NOT to STREQUAL from)
        list(APPEND edges "${from}>${to}")
      endif()
    endforeach()
  endforeach()
  set(pairs "")
  foreach(edge IN LISTS edges)
    string(REPLACE ">" ";" ends "${edge}")
    list(GET ends 0 from)
    list(GET ends 1 to)
    if("${to}>${from}" IN_LIST edges AND from STRLESS to)
      list(APPEND pairs "${from} <-> ${to}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES pairs)
  set(${out} "${pairs}" PARENT_SCOPE)
endfunction()

# A header and the other class's source close the loop; a third class only includes one of them.
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/ui/A.h "#pragma once\n#include \"ui/kit/B.h\"\n")
file(WRITE ${WORK}/ui/kit/B.cpp "  #  include \"ui/A.h\"\n#include \"ui/kit/B.h\"\n")
file(WRITE ${WORK}/ui/C.cpp "#include \"ui/A.h\"\n#include \"ui/C.h\"\n")
mutual_includes(${WORK} found)
if(NOT found STREQUAL "ui/A <-> ui/kit/B")
  message(FATAL_ERROR "the scan of a tree with one pair found: \"${found}\"")
endif()

mutual_includes(${SOURCE} pairs)
if(pairs)
  list(JOIN pairs "\n  " named)
  message(FATAL_ERROR "ui/ classes that include each other:\n  ${named}")
endif()
