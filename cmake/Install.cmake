# What `cmake --install` puts where. Two components: "suite" (the seven
# programs, the reference pages, the README and a sample CLI.CFG) and, where
# it is built, "emulator" (the storage-server emulator and the client's class
# archives).
#
#                   Linux (prefix /usr in the DEB)        Windows ZIP
#   programs        bin/                                  bin/
#   man pages       share/man/man1, man5, man7            -
#   HTML and text   -                                     doc/html, doc/txt
#   README, notes   share/doc/vy-command-line/            doc/
#   sample CLI.CFG  share/doc/vy-command-line/examples/   doc/examples/
#   emulator        share/vy-command-line/emulator/       emulator/
#   vyEmulator      bin/vyEmulator (a script)             bin/vyEmulator.cmd
#
# The sample is only ever installed as an example: the live CLI.CFG lies in
# the INSTALL directory of the Java client, which nothing here writes to.
if(WIN32)
  set(CMAKE_INSTALL_BINDIR bin)
  set(VY_DOCDIR doc)
  set(VY_EMULATORDIR emulator)
else()
  include(GNUInstallDirs)
  set(VY_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${VY_PACKAGE_NAME})
  set(VY_EMULATORDIR ${CMAKE_INSTALL_DATAROOTDIR}/${VY_PACKAGE_NAME}/emulator)
endif()

get_property(VY_PROGRAMS GLOBAL PROPERTY VY_PROGRAMS)
install(TARGETS ${VY_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT suite)

# The sample CLI.CFG, with values of the platform's form; CR LF line ends
# for Windows.
if(WIN32)
  set(VY_SAMPLE_JAVA_INSTALL [[C:\Program Files\vy\jre\]])
  set(VY_SAMPLE_CLASSPATH [[C:\Program Files\vy\lib\client.jar]])
  set(VY_SAMPLE_SEPARATOR [[\]])
  set(VY_SAMPLE_NEWLINE CRLF)
else()
  set(VY_SAMPLE_JAVA_INSTALL /opt/vy/jre/)
  set(VY_SAMPLE_CLASSPATH /opt/vy/lib/client.jar)
  set(VY_SAMPLE_SEPARATOR /)
  set(VY_SAMPLE_NEWLINE LF)
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/CLI.CFG.in ${CMAKE_BINARY_DIR}/packaging/CLI.CFG
  @ONLY NEWLINE_STYLE ${VY_SAMPLE_NEWLINE})
install(FILES ${CMAKE_BINARY_DIR}/packaging/CLI.CFG DESTINATION ${VY_DOCDIR}/examples COMPONENT suite)

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
  DESTINATION ${VY_DOCDIR} COMPONENT suite)
if(NOT WIN32)
  # Debian's changelog of the package, gzipped as Debian keeps it.
  string(TIMESTAMP VY_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
    VERBATIM)
  add_custom_target(vy_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  # The RPMs' changelog: the same entry in rpm's form (the date as
  # SOURCE_DATE_EPOCH gives it).
  string(TIMESTAMP VY_RPM_CHANGELOG_DATE "%a %b %d %Y" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/rpm-changelog.in ${CMAKE_BINARY_DIR}/packaging/rpm-changelog @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${VY_DOCDIR} COMPONENT suite)
endif()

# The emulator's own page goes with the emulator, and only where it is built.
function(vy_install_page page component)
  if(WIN32)
    install(FILES ${VY_PAGES_DIR}/html/${page}.html DESTINATION ${VY_DOCDIR}/html COMPONENT ${component})
    install(FILES ${VY_PAGES_DIR}/txt/${page}.txt DESTINATION ${VY_DOCDIR}/txt COMPONENT ${component})
  else()
    string(REGEX MATCH "[0-9]$" section ${page})
    install(FILES ${VY_PAGES_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
  endif()
endfunction()
if(VY_PAGES)
  foreach(page IN LISTS VY_PAGE_NAMES)
    if(page STREQUAL "vyEmulator.1")
      if(TARGET vyEmulator)
        vy_install_page(${page} emulator)
      endif()
    else()
      vy_install_page(${page} suite)
    endif()
  endforeach()
endif()

# The emulator and the client's class archives, where they are built (Java
# 17 found): the jars, the stand-in multipath tool and the sample state.
if(TARGET vyEmulator)
  # Each archive's target is its name without ".jar".
  foreach(jar vyEmulator.jar ${VY_CLIENT_JARS})
    string(REGEX REPLACE "\\.jar$" "" target ${jar})
    install(FILES $<TARGET_PROPERTY:${target},JAR_FILE> DESTINATION ${VY_EMULATORDIR} COMPONENT emulator)
  endforeach()
  if(WIN32)
    set(VY_LANECTL ${PROJECT_SOURCE_DIR}/emulator/lanectl/lanectl.cmd)
  else()
    set(VY_LANECTL ${PROJECT_SOURCE_DIR}/emulator/lanectl/lanectl)
  endif()
  install(PROGRAMS ${VY_LANECTL} DESTINATION ${VY_EMULATORDIR}/lanebinder COMPONENT emulator)
  install(FILES ${PROJECT_SOURCE_DIR}/emulator/sample.state DESTINATION ${VY_EMULATORDIR} COMPONENT emulator)
  # The vyEmulator command: a small script in bin/ that runs the installed
  # jar, found relative to the script (the TGZ and the ZIPs unpack anywhere).
  file(RELATIVE_PATH VY_JAR_FROM_BIN /root/${CMAKE_INSTALL_BINDIR} /root/${VY_EMULATORDIR})
  if(WIN32)
    string(REPLACE "/" "\\" VY_JAR_FROM_BIN "${VY_JAR_FROM_BIN}")
    configure_file(${PROJECT_SOURCE_DIR}/emulator/wrapper/vyEmulator.cmd.in ${CMAKE_BINARY_DIR}/packaging/vyEmulator.cmd
      @ONLY NEWLINE_STYLE CRLF)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/vyEmulator.cmd DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT emulator)
  else()
    configure_file(${PROJECT_SOURCE_DIR}/emulator/wrapper/vyEmulator.in ${CMAKE_BINARY_DIR}/packaging/vyEmulator
      @ONLY NEWLINE_STYLE LF)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/vyEmulator DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT emulator)
  endif()
  if(NOT WIN32)
    # The emulator's DEB is a package of its own, with its own copyright and
    # changelog where Debian looks for them.
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${VY_PACKAGE_NAME}-emulator COMPONENT emulator)
  endif()
endif()
