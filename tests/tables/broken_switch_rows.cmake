# The switch table's rules against rows that break them: a copy of
# core/switches.h with one bad row added must not compile, and the compiler
# must name the rule; the copy as it is must compile.
#
#   cmake -DCXX=<compiler> -DSOURCE=<project> -DWORK=<folder> -P broken_switch_rows.cmake

set(failures 0)
set(end_of_rows "\n};\n\n}  // namespace switch_rows\n")
file(READ ${SOURCE}/core/switches.h original)
string(FIND "${original}" "${end_of_rows}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "core/switches.h: the end of the rows is not where this test adds one")
endif()

# compile(<what> <row> <expected message>): the copy with <row> after the
# last one; with no message it must compile.
function(compile what row expected)
  file(REMOVE_RECURSE ${WORK})
  string(REPLACE "${end_of_rows}" "\n    ${row}${end_of_rows}" content "${original}")
  file(WRITE ${WORK}/core/switches.h "${content}")
  file(WRITE ${WORK}/rows.cpp "#include \"core/switches.h\"\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${WORK} -I${SOURCE} ${WORK}/rows.cpp
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 120)
  if(expected STREQUAL "")
    if(NOT status EQUAL 0)
      message(SEND_ERROR "${what}: does not compile:\n${output}")
      math(EXPR failures "${failures} + 1")
    endif()
  else()
    string(FIND "${output}" "${expected}" found)
    if(status EQUAL 0 OR found EQUAL -1)
      message(SEND_ERROR "${what}: status ${status}, expected a failure naming\n  ${expected}\nbut the output is:\n${output}")
      math(EXPR failures "${failures} + 1")
    endif()
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

compile("the table as it is" "" "")
compile("a sound row added" "{.text = \"/w\", .programs = kPingSrv, .target = Counts(&S::verbose)}," "")
compile("a flag with a Java place"
  "{.text = \"/w\", .programs = kPingSrv, .target = SetsFlag(&S::quietFlag), .javaOption = \"-w\", .javaPlace = P::kBeforeServer},"
  "a switch row's Java place has no option or no value to hand on")
compile("a volume with a Java place"
  "{.text = \"/w\", .programs = kProbeVol, .target = AddsVolume(), .javaOption = \"-w\", .javaPlace = P::kAfterServer},"
  "a switch row's Java place has no option or no value to hand on")
compile("a Java place without an option"
  "{.text = \"/w\", .programs = kAwaitJob, .target = Stores<&S::threshold>(), .javaPlace = P::kBeforeServer},"
  "a switch row's Java place has no option or no value to hand on")
compile("a limit past the field"
  "{.text = \"/w\", .programs = kAwaitJob, .target = Stores<&S::threshold>(), .limit = 32},"
  "a switch row's limit is past its field's capacity")
compile("a limit on a counter"
  "{.text = \"/w\", .programs = kPingSrv, .target = Counts(&S::verbose), .limit = 5},"
  "a switch row's limit is past its field's capacity")
compile("a counter that stores"
  "{.text = \"/w\", .programs = kPingSrv, .target = {.action = SwitchAction::kStore, .counter = &S::verbose}},"
  "a switch row's action and its target disagree")
compile("a counter that must arrive as one argument"
  "{.text = \"/w\", .programs = kPingSrv, .target = Counts(&S::verbose), .oneArgument = true},"
  "a switch row's rules for its value do not hold together")
compile("a probed value that may split"
  "{.text = \"/w\", .programs = kPingSrv, .target = Stores<&S::hostName>(), .probed = true},"
  "a switch row's rules for its value do not hold together")
compile("a switch of a program without switches"
  "{.text = \"/w\", .programs = Programs(kVyshell), .target = Counts(&S::verbose)},"
  "a switch row's programs and usage disagree")
compile("a second row of one text"
  "{.text = \"/v\", .programs = kPingSrv, .target = Counts(&S::verbose)},"
  "a program accepts two switch rows of the same text")

file(REMOVE_RECURSE ${WORK})
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} switch rows went unnoticed")
endif()
