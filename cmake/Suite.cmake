# The facts of cmake/suite-facts.txt as CMake lists:
#   VY_PROGRAM_NAMES   the programs
#   VY_CLIENT_JARS     the client's class archives, in class-path order
# and, for core/config.cpp, the generated header
# <build>/generated/core/suite_facts.h (kClientJars).
set(VY_FACTS_FILE ${PROJECT_SOURCE_DIR}/cmake/suite-facts.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VY_FACTS_FILE})
file(STRINGS ${VY_FACTS_FILE} vy_fact_lines REGEX "^[a-z]")

# vy_fact(<variable> <name>): the words of fact <name> as a list.
function(vy_fact variable name)
  foreach(line IN LISTS vy_fact_lines)
    if(line MATCHES "^${name} +(.*)$")
      string(REGEX REPLACE " +" ";" words "${CMAKE_MATCH_1}")
      set(${variable} ${words} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${VY_FACTS_FILE} has no \"${name}\" line")
endfunction()

vy_fact(VY_PROGRAM_NAMES programs)
vy_fact(VY_CLIENT_JARS client-jars)

set(vy_jar_literals)
foreach(jar IN LISTS VY_CLIENT_JARS)
  string(APPEND vy_jar_literals "\"${jar}\", ")
endforeach()
string(REGEX REPLACE ", $" "" vy_jar_literals "${vy_jar_literals}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/core/suite_facts.h CONTENT
"// Made by cmake/Suite.cmake from cmake/suite-facts.txt: edit that file.
#ifndef VY_CORE_SUITE_FACTS_H
#define VY_CORE_SUITE_FACTS_H

// The client's class archives in the INSTALL folder, in class-path order.
inline constexpr const char* kClientJars[] = {${vy_jar_literals}};

#endif
")

# Called once every program is defined: the vy_program() calls and the
# programs fact name the same programs.
function(vy_check_programs)
  get_property(defined GLOBAL PROPERTY VY_PROGRAMS)
  set(listed ${VY_PROGRAM_NAMES})
  list(SORT defined)
  list(SORT listed)
  if(NOT defined STREQUAL listed)
    message(FATAL_ERROR "The programs of CMakeLists.txt (${defined}) are not those of ${VY_FACTS_FILE} (${listed})")
  endif()
endfunction()
