# ctest -P script: functions and methods declared in our headers are UpperCamel. lowerCamel stays
# for an override (Qt's virtuals keep Qt's names), for an inline accessor that returns what the
# object holds (no UpperCamel call in it), for an inline setter that only stores a member, and for
# the few accessors named below that are defined out of line. The scan is first tried on a small
# tree, then run on every room; the functions found there are named and fail the test.
# Inputs: SOURCE (the project's folder), WORK (a scratch folder).
cmake_minimum_required(VERSION 3.25)

# Accessors defined out of line or declared by a window helper's host interface: each hands out a
# member, a child control or one of the image's fields.
set(allowed
  # the hosts' accessors (AlignmentHost, RecordsHost, StationHost)
  job gate image bandPage menuBar prompts userSettings curveWindow
  # child controls, found by their ids or shown by a member's view
  baseEdit stepEdit alignTableButton alignBandButton chart powerChart tabCtrl manualWindow
  lotStatistics
  # the image's fields
  region liveBlock busy setBusy
  # the simulated radio's state, copied under the server's lock
  faults memory requests liveCommands)

# The text with string literals and // comments taken out, so their braces are not counted.
function(code_of line out)
  string(REGEX REPLACE "\\\\." "" line "${line}")
  string(REGEX REPLACE "\"[^\"]*\"" "\"\"" line "${line}")
  string(REGEX REPLACE "'[^']*'" "''" line "${line}")
  string(REGEX REPLACE "//.*$" "" line "${line}")
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

# Whether a declaration (its lines up to the body's brace or the semicolon) may keep lowerCamel.
# A free function (scope "namespace") is never an accessor.
function(exempt declaration name scope out)
  set(ok FALSE)
  if(NOT scope STREQUAL "class")
    # a free function does work
  elseif(name IN_LIST allowed OR declaration MATCHES "[) ]override[ ;{]|[) ]override$")
    set(ok TRUE)
  elseif(declaration MATCHES "{[^}]*layout::k[A-Za-z0-9]+")
    set(ok TRUE)  # one of the image's fields, by its offset
  elseif(declaration MATCHES "\\)[a-z ]*{ *return ([^;]*); *}")
    # No UpperCamel call in what it returns: a getter, not a worker.
    if(NOT CMAKE_MATCH_1 MATCHES "(^|[^A-Za-z0-9_])[A-Z][A-Za-z0-9_]*(<[^>]*>)?\\(")
      set(ok TRUE)
    endif()
  elseif(declaration MATCHES "\\) *{ *m_[A-Za-z0-9_]+ = [A-Za-z0-9_]+; *}")
    set(ok TRUE)
  endif()
  set(${out} ${ok} PARENT_SCOPE)
endfunction()

# "file:line name" for each lowerCamel function declared in the headers under root, into out.
function(lower_camel_functions root out)
  file(GLOB_RECURSE headers RELATIVE ${root} ${root}/*.h)
  list(FILTER headers EXCLUDE REGEX "^(tests|build[^/]*)/|_autogen/|^\\.")
  set(found "")
  set(keyword "^(return|delete|new|else|case|throw|co_return|using|typedef|goto|operator)$")
  set(declarator
    "^[ \t]*([a-z]+[ \t]+)*[A-Za-z_][A-Za-z0-9_:<>,*& \t]*[ \t*&]([a-z][A-Za-z0-9]*)[ \t]*\\(")
  foreach(header IN LISTS headers)
    # Semicolons and square brackets would split or join the list's lines: kept as marks.
    file(READ ${root}/${header} content)
    string(REPLACE ";" "@S@" content "${content}")
    string(REPLACE "[" "@L@" content "${content}")
    string(REPLACE "]" "@R@" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    set(stack "")  # one entry an open brace: class, namespace or body
    set(head "")   # a class head whose brace comes on a later line
    set(number 0)
    set(pending "")
    foreach(raw IN LISTS lines)
      math(EXPR number "${number} + 1")
      string(REPLACE "@S@" ";" raw "${raw}")
      string(REPLACE "@L@" "[" raw "${raw}")
      string(REPLACE "@R@" "]" raw "${raw}")
      code_of("${raw}" line)
      list(LENGTH stack depth)
      set(top namespace)
      if(depth GREATER 0)
        list(GET stack -1 top)
      endif()
      if(pending)
        string(APPEND text " ${line}")
        if(line MATCHES "[;{]")
          exempt("${text}" ${pending} ${pending_top} ok)
          if(NOT ok)
            list(APPEND found "${header}:${pending_line} ${pending}")
          endif()
          set(pending "")
        endif()
      elseif(NOT top STREQUAL "body" AND line MATCHES "${declarator}")
        set(name ${CMAKE_MATCH_2})
        string(REGEX MATCH "^[ \t]*[A-Za-z_]+" first "${line}")
        string(STRIP "${first}" first)
        if(NOT first MATCHES "${keyword}" AND NOT name MATCHES "${keyword}")
          if(line MATCHES "[;{]")
            exempt("${line}" ${name} ${top} ok)
            if(NOT ok)
              list(APPEND found "${header}:${number} ${name}")
            endif()
          else()
            set(pending ${name})
            set(pending_line ${number})
            set(pending_top ${top})
            set(text "${line}")
          endif()
        endif()
      endif()
      # Braces, in order: a class, struct, enum or namespace opens a scope, anything else a body.
      if(line MATCHES "(^|[^A-Za-z0-9_])namespace([^A-Za-z0-9_]|$)")
        set(head namespace)
      elseif(line MATCHES "(^|[^A-Za-z0-9_])(class|struct|enum|union)([^A-Za-z0-9_]|$)"
             AND NOT line MATCHES ";[ \t]*$" AND NOT line MATCHES "^[ \t]*template[ \t]*<")
        set(head class)
      endif()
      string(REGEX MATCHALL "[{}]" braces "${line}")
      foreach(brace IN LISTS braces)
        if(brace STREQUAL "{")
          if(head)
            list(APPEND stack ${head})
            set(head "")
          else()
            list(APPEND stack body)
          endif()
        elseif(stack)
          list(POP_BACK stack)
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# A made-up tree: workers found, on one line and over two, in a nested struct and free; an
# override, an inline getter, a setter, an image field and statements in inline bodies let through.
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/instrument/A.h [=[
#pragma once
namespace velmora {
class A : public QObject {
 public:
  bool open(QString& error);
  std::optional<QByteArray> query(const QByteArray& command,
                                  std::chrono::milliseconds timeout);
  bool Send(const QByteArray& command);
  bool event(QEvent* e) override;
  const QString& name() const { return m_name; }
  bool ok() const { return m_error.isEmpty(); }
  QString shown() const { return Text::Shown(m_name); }
  void setName(const QString& name) { m_name = name; }
  int Count() const {
    const std::lock_guard lock(m_mutex);
    return count(m_items);
  }
  template <class F>
  auto With(F&& f) {
    std::lock_guard lock(m_mutex);
    return f(m_items);
  }
  std::span<std::uint8_t, 4> code() { return Field<4>(layout::kCode); }
  struct Part {
    int size() const;
  };
};
inline int twice(int x) { return 2 * x; }
}  // namespace velmora
]=])
file(WRITE ${WORK}/tests/B.h "void lowerInATest();\n")
file(WRITE ${WORK}/build-x/C.h "void lowerInABuild();\n")
lower_camel_functions(${WORK} found)
set(expected "instrument/A.h:5 open;instrument/A.h:6 query;instrument/A.h:12 shown"
             "instrument/A.h:25 size;instrument/A.h:28 twice")
list(JOIN expected ";" expected)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "the scan of a made-up tree found \"${found}\", not \"${expected}\"")
endif()

lower_camel_functions(${SOURCE} found)
if(found)
  list(JOIN found "\n  " named)
  message(FATAL_ERROR "lowerCamel functions that are neither overrides nor accessors:\n  ${named}")
endif()
