# The rooms of the house and the arrows between them, checked at configure time: a source whose
# #include names a room or a Qt module its rule does not allow stops the configuration.
#
# One rule a line: "files!rooms!Qt modules". files is a regular expression on the source's path
# below the source folder; the first rule that matches a source is its rule. rooms are the
# prefixes its #include "…" lines may start with ("*" for any); Qt modules the modules its
# #include <Q…> lines may come from ("*" for any, empty for none). CONTRIBUTING.md says the same.
set(VELMORA_INCLUDE_RULES
  "^core/!core/!"
  "^trace/!core/ trace/!Core"
  "^model/!model/!"
  "^radio/!core/ trace/ radio/!Core"
  "^instrument/!core/ trace/ model/ instrument/!Core Network SerialPort"
  "^transfer/!core/ trace/ radio/ transfer/!Core"
  "^records/job/!core/ records/ transfer/ align/ radio/PortNames.h!Core Sql"
  "^records/!core/ records/!Core Sql"
  "^res/!core/ res/!Core"
  "^align/(AlignJob|AlignJobSettings|AlignOutcome|AlignRelay|LivePowerProbe)\\.!core/ res/ trace/ radio/ instrument/ transfer/ align/!Core"
  "^align/!core/ res/ align/!Core"
  "^plot/!core/ res/ records/ plot/!Core Gui Widgets Charts Svg Sql"
  "^sim/!core/ model/ radio/ProtocolConstants.h radio/NibbleSubstitution.h radio/PortNames.h sim/!"
  "^ui/kit/!core/ res/ ui/kit/!Core Gui Widgets"
  "^ui/controls/!core/ res/ ui/kit/ ui/controls/!Core Gui Widgets"
  "^ui/pages/!core/ res/ trace/ radio/ instrument/ transfer/ align/ records/ ui/!Core Gui Widgets"
  "^ui/!core/ res/ trace/ radio/ instrument/ transfer/ align/ records/ plot/ ui/!Core Gui Widgets SvgWidgets"
  "^cli/PlotMain\\.!cli/ plot/!Core"
  "^cli/!core/ res/ trace/ radio/ instrument/ transfer/ align/ records/ plot/ cli/!Core Network Sql"
  "^bench/!core/ res/ trace/ model/ radio/ instrument/ transfer/ align/ records/ sim/ cli/ tests/support/!Core Network Sql SerialPort"
  "^tools/!*!*"
  "^tests/!*!*")

# The rooms whose sources are read: every folder a rule above names.
set(VELMORA_INCLUDE_ROOMS core trace model radio instrument transfer records res align plot sim ui
  cli bench tools tests)

# The Qt module a header such as <QWidget> or <QtCore/QString> comes from, found in the Qt headers'
# folder (qt_headers); empty where it is not a Qt header.
function(velmora_qt_module header qt_headers out)
  if(header MATCHES "^Qt([A-Za-z]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    return()
  endif()
  get_property(known GLOBAL PROPERTY "velmora_qt_module_${header}" SET)
  if(NOT known)
    set(module "")
    if(qt_headers)
      file(GLOB found LIST_DIRECTORIES false "${qt_headers}/Qt*/${header}")
      list(SORT found)
      if(found)
        list(GET found 0 first)
        string(REGEX REPLACE "^.*/Qt([A-Za-z]+)/[^/]+$" "\\1" module "${first}")
      endif()
    endif()
    set_property(GLOBAL PROPERTY "velmora_qt_module_${header}" "${module}")
  endif()
  get_property(module GLOBAL PROPERTY "velmora_qt_module_${header}")
  set(${out} "${module}" PARENT_SCOPE)
endfunction()

# The arrows of one source (path relative to source_dir) its rule forbids, one text a forbidden
# include, in out.
function(velmora_forbidden_includes source_dir path qt_headers out)
  set(forbidden "")
  foreach(rule IN LISTS VELMORA_INCLUDE_RULES)
    string(REGEX MATCH "^([^!]*)!([^!]*)!(.*)$" fields "${rule}")
    set(rule_rooms "${CMAKE_MATCH_2}")
    set(rule_modules "${CMAKE_MATCH_3}")
    if(path MATCHES "${CMAKE_MATCH_1}")
      set(rooms "${rule_rooms}")
      set(modules "${rule_modules}")
      break()
    endif()
  endforeach()
  if(NOT DEFINED rooms)
    message(FATAL_ERROR "${path} is in no room of the include rules (cmake/IncludeRules.cmake)")
  endif()
  set(rooms_shown "${rooms}")
  set(modules_shown "${modules}")
  if(modules_shown STREQUAL "")
    set(modules_shown "none")
  endif()
  string(REPLACE " " ";" rooms "${rooms}")
  string(REPLACE " " ";" modules "${modules}")
  file(STRINGS "${source_dir}/${path}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    if(line MATCHES "include[ \t]*\"([^\"]+/[^\"]+)\"")
      set(named "${CMAKE_MATCH_1}")
      set(allowed FALSE)
      foreach(room IN LISTS rooms)
        string(FIND "${named}" "${room}" at)
        if(room STREQUAL "*" OR at EQUAL 0)
          set(allowed TRUE)
        endif()
      endforeach()
      if(NOT allowed)
        list(APPEND forbidden "${path} includes \"${named}\", outside its rooms (${rooms_shown})")
      endif()
    # Without Qt's headers (the Qt-free Windows build) a header's module cannot be told.
    elseif(line MATCHES "include[ \t]*<(Q[^>]*)>" AND NOT modules STREQUAL "*" AND qt_headers)
      set(header "${CMAKE_MATCH_1}")
      velmora_qt_module("${header}" "${qt_headers}" module)
      if(header MATCHES "^Qt" OR module)
        list(FIND modules "${module}" at)
        if(at LESS 0)
          list(APPEND forbidden "${path} includes <${header}> from Qt ${module}, not one of its Qt \
modules (${modules_shown})")
        endif()
      endif()
    endif()
  endforeach()
  set(${out} "${forbidden}" PARENT_SCOPE)
endfunction()

# Every source of the rooms below source_dir checked; a forbidden include stops the configuration
# with each one named.
function(velmora_check_includes source_dir qt_headers)
  set(all "")
  foreach(room IN LISTS VELMORA_INCLUDE_ROOMS)
    file(GLOB_RECURSE sources RELATIVE "${source_dir}" CONFIGURE_DEPENDS
      "${source_dir}/${room}/*.cpp" "${source_dir}/${room}/*.h")
    foreach(path IN LISTS sources)
      velmora_forbidden_includes("${source_dir}" "${path}" "${qt_headers}" forbidden)
      list(APPEND all ${forbidden})
    endforeach()
  endforeach()
  if(all)
    list(JOIN all "\n  " shown)
    message(FATAL_ERROR "Imports that run against the rooms' rules (CONTRIBUTING.md):\n  ${shown}")
  endif()
endfunction()

# The house checked with the Qt headers' folder that Qt::Core names, when Qt is found.
function(velmora_check_house_includes)
  set(qt_headers "")
  if(TARGET Qt6::Core)
    get_target_property(folders Qt6::Core INTERFACE_INCLUDE_DIRECTORIES)
    foreach(folder IN LISTS folders)
      if(folder MATCHES "^(.*)/QtCore$")
        set(qt_headers "${CMAKE_MATCH_1}")
      endif()
    endforeach()
  endif()
  velmora_check_includes("${PROJECT_SOURCE_DIR}" "${qt_headers}")
endfunction()
