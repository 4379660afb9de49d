# ctest -P script: the include rules (cmake/IncludeRules.cmake) on one-file trees, then a whole
# configuration that meets a forbidden include and one that does not.
# Inputs: SOURCE (the project's folder), QT_HEADERS (Qt's headers' folder), WORK (a scratch folder).
include(${SOURCE}/cmake/IncludeRules.cmake)
file(REMOVE_RECURSE ${WORK})

# "source!its include line!allowed or forbidden"
set(cases
  "core/A.cpp!#include \"radio/CRadioPort.h\"!forbidden"
  "core/A.cpp!#include <QString>!forbidden"
  "core/A.cpp!#include \"core/SafeFile.h\"!allowed"
  "trace/A.cpp!#include \"radio/CRadioPort.h\"!forbidden"
  "instrument/A.cpp!#include \"radio/PosixSerialLine.h\"!forbidden"
  "instrument/A.cpp!  #  include   \"trace/TraceLog.h\"!allowed"
  "instrument/A.cpp!#include <QtWidgets/QWidget>!forbidden"
  "instrument/A.cpp!#include <QTcpSocket>!allowed"
  "model/A.cpp!#include \"instrument/PowerMeter.h\"!forbidden"
  "sim/A.cpp!#include \"instrument/model/SimulatedMeter.h\"!forbidden"
  "sim/A.cpp!#include \"radio/CRadioPort.h\"!forbidden"
  "sim/A.cpp!#include \"radio/ProtocolConstants.h\"!allowed"
  "sim/A.cpp!#include \"model/Transmitter.h\"!allowed"
  "align/PointSearch.cpp!#include \"transfer/CTransferJob.h\"!forbidden"
  "align/AlignJob.cpp!#include \"transfer/CTransferJob.h\"!allowed"
  "align/A.cpp!#include <QWidget>!forbidden"
  "records/A.cpp!#include \"transfer/JobRelay.h\"!forbidden"
  "records/A.cpp!#include <QSqlQuery>!allowed"
  "cli/A.cpp!#include <QWidget>!forbidden"
  "cli/A.cpp!#include <QChart>!forbidden"
  "cli/A.cpp!#include \"ui/CAlignMainDlg.h\"!forbidden"
  "cli/A.cpp!#include \"plot/ChartPicture.h\"!allowed"
  "bench/A.cpp!#include <QApplication>!forbidden"
  "bench/A.cpp!#include \"tests/support/PostgresServer.h\"!allowed"
  "ui/kit/A.cpp!#include \"ui/CAlignMainDlg.h\"!forbidden"
  "ui/kit/A.cpp!#include \"ui/kitchen/A.h\"!forbidden"
  "ui/kit/A.cpp!#include \"transfer/JobRelay.h\"!forbidden"
  "ui/pages/A.cpp!#include \"plot/ChartView.h\"!forbidden"
  "ui/A.cpp!#include \"sim/SimulatedRadio.h\"!forbidden"
  "ui/A.cpp!#include <QChart>!forbidden"
  "plot/A.cpp!#include <QChart>!allowed"
  "plot/A.cpp!#include \"transfer/JobRelay.h\"!forbidden"
  "tools/A.cpp!#include \"ui/CAlignMainDlg.h\"!allowed")

set(failures "")
set(number 0)
foreach(case IN LISTS cases)
  string(REGEX MATCH "^([^!]*)!([^!]*)!(.*)$" fields "${case}")
  set(path "${CMAKE_MATCH_1}")
  set(line "${CMAKE_MATCH_2}")
  set(expected "${CMAKE_MATCH_3}")
  math(EXPR number "${number} + 1")
  set(tree ${WORK}/case${number})
  file(WRITE ${tree}/${path} "// a fixture\n${line}\nint x;\n")
  velmora_forbidden_includes(${tree} ${path} "${QT_HEADERS}" forbidden)
  if(forbidden)
    set(found forbidden)
  else()
    set(found allowed)
  endif()
  if(NOT found STREQUAL expected)
    list(APPEND failures "${path} with ${line}: ${found}, expected ${expected} (${forbidden})")
  endif()
endforeach()

# A whole configuration: stops on a forbidden include and names it; goes on without it.
set(tree ${WORK}/configured)
file(WRITE ${tree}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)\nproject(fixture NONE)\n"
  "include(${SOURCE}/cmake/IncludeRules.cmake)\n"
  "velmora_check_includes(\${CMAKE_CURRENT_SOURCE_DIR} \"${QT_HEADERS}\")\n")
file(WRITE ${tree}/core/Fine.cpp "#include \"core/Fine.h\"\n")
file(WRITE ${tree}/instrument/Meter.cpp "#include \"radio/TraceLog.h\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${tree} -B ${tree}/build
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(status EQUAL 0 OR NOT output MATCHES "instrument/Meter.cpp includes \"radio/TraceLog.h\"")
  list(APPEND failures "a forbidden include configured (${status}):\n${output}")
endif()
if(output MATCHES "core/Fine.cpp")
  list(APPEND failures "an allowed include was named:\n${output}")
endif()
file(WRITE ${tree}/instrument/Meter.cpp "#include \"trace/TraceLog.h\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${tree} -B ${tree}/build
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  list(APPEND failures "allowed includes did not configure (${status}):\n${output}")
endif()

if(failures)
  list(JOIN failures "\n" shown)
  message(FATAL_ERROR "${shown}")
endif()
list(LENGTH cases count)
message(STATUS "${count} includes judged as the rules say; a forbidden one stops a configuration")
