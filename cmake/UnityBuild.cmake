# The sources a unity build (-DCMAKE_UNITY_BUILD=ON: the test command's builds take a fraction of
# the time) compiles on their own, by folder: each holds a file-local name that another source
# of its target holds too. Each folder is the one whose CMakeLists.txt makes the target.
set(velmora_unity_alone
  cli DiffCommand.cpp HistoryCommand.cpp MeterCommand.cpp PlotCommand.cpp PortsCommand.cpp
      RecordsCommand.cpp ReportCommand.cpp ShowCommand.cpp StationCommand.cpp StatsCommand.cpp
  ui pages/CToneLevelDlg.cpp
  tests/align AlignJobTest.cpp
  tests/core CalibrationFileTest.cpp PlatformSaveTest.cpp SaveTargetTest.cpp
)

# Every folder the configuration added, below `dir`.
function(velmora_added_folders dir out)
  get_directory_property(subdirs DIRECTORY ${dir} SUBDIRECTORIES)
  set(all ${dir})
  foreach(sub IN LISTS subdirs)
    velmora_added_folders(${sub} found)
    list(APPEND all ${found})
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

function(velmora_mark_unity_alone)
  velmora_added_folders(${PROJECT_SOURCE_DIR} added)
  foreach(item IN LISTS velmora_unity_alone)
    if(NOT item MATCHES "\\.cpp$")
      set(dir ${PROJECT_SOURCE_DIR}/${item})
    elseif(dir IN_LIST added)
      set_source_files_properties(${dir}/${item} DIRECTORY ${dir}
        PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()
