# The facts of cmake/suite-facts.txt as CMake lists:
#   VY_CLIENT_JARS     the client's class archives, in class-path order
# and, once every vy_program() is called (vy_programs_defined):
#   VY_PROGRAM_NAMES   the programs, in the order of the calls
#   target vy_programs the programs alone
#   <build>/programs.txt  their names on one line, for the scripts
#   <build>/generated/core/suite_facts.h  kClientJars and kBuiltPrograms, for core/
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

vy_fact(VY_CLIENT_JARS client-jars)

# Called once every program is defined: the lists and files above.
macro(vy_programs_defined)
  get_property(VY_PROGRAM_NAMES GLOBAL PROPERTY VY_PROGRAMS)
  add_custom_target(vy_programs DEPENDS ${VY_PROGRAM_NAMES})
  string(JOIN " " vy_program_words ${VY_PROGRAM_NAMES})
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/programs.txt CONTENT "${vy_program_words}\n")
  vy_literals(vy_jar_literals ${VY_CLIENT_JARS})
  vy_literals(vy_program_literals ${VY_PROGRAM_NAMES})
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/core/suite_facts.h CONTENT
"// Made by cmake/Suite.cmake from cmake/suite-facts.txt and the vy_program()
// calls of CMakeLists.txt: edit those.
#ifndef VY_CORE_SUITE_FACTS_H
#define VY_CORE_SUITE_FACTS_H

// The client's class archives in the INSTALL folder, in class-path order.
inline constexpr const char* kClientJars[] = {${vy_jar_literals}};

// The programs the build makes.
inline constexpr const char* kBuiltPrograms[] = {${vy_program_literals}};

#endif
")
endmacro()

# vy_literals(<variable> <word>...): the words as C++ string literals, joined
# by commas.
function(vy_literals variable)
  set(literals)
  foreach(word IN LISTS ARGN)
    string(APPEND literals "\"${word}\", ")
  endforeach()
  string(REGEX REPLACE ", $" "" literals "${literals}")
  set(${variable} "${literals}" PARENT_SCOPE)
endfunction()
