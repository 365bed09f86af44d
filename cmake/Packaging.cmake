# Packages with CPack: a ZIP from each Windows build, a TGZ, DEBs and RPMs
# from a Linux build (the native one, and the aarch64 one made by the cross
# compiler). The generators are named here alone: the package presets take
# them from here. Names carry the project's version:
#   vy-command-line-<version>-windows-x64.zip, ...-windows-x86.zip,
#   vy-command-line-<version>-linux-<machine>.tar.gz (x86_64, aarch64),
#   vy-command-line_<version>_<Debian architecture>.deb (amd64, arm64),
#   vy-command-line-<version>-1.<RPM architecture>.rpm (x86_64, aarch64)
set(CPACK_PACKAGE_NAME ${VY_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "vy command-line suite maintainers")
set(CPACK_PACKAGE_CONTACT ${VY_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "launchers for a storage server's copy tasks and a host's volumes")
# Lines of at most 80 characters: Debian shows the description as it is.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Seven console programs through which administrators and their scripts drive"
  "the copy tasks of a storage server and list the storage volumes a host sees:"
  "vyRunJob, vyAwaitJob, vyProbeVol, vySeedHost, vyPingSrv, vyShowLuns and"
  "vyshell. All but vyShowLuns start a class of the storage client's Java side,"
  "which is installed on its own and found through the INSTALL environment"
  "variable and the CLI.CFG file there.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
# Windows programs are stripped when linked (CMakeLists.txt) and may be
# signed since: they are packaged as they are.
if(NOT WIN32)
  set(CPACK_STRIP_FILES ON)
endif()
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VY_PACKAGE_SYSTEM windows-x64)
  else()
    set(VY_PACKAGE_SYSTEM windows-x86)
  endif()
else()
  set(CPACK_GENERATOR TGZ DEB RPM)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" VY_PACKAGE_SYSTEM)
endif()
set(CPACK_PACKAGE_FILE_NAME ${VY_PACKAGE_NAME}-${PROJECT_VERSION}-${VY_PACKAGE_SYSTEM})

# The archives hold every component; the DEB is split into one package per
# component once the emulator is there.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
if(TARGET vyEmulator)
  set(CPACK_COMPONENTS_ALL suite emulator)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_RPM_COMPONENT_INSTALL ON)
else()
  set(CPACK_COMPONENTS_ALL suite)
endif()

# Debian: man pages and documentation where Debian keeps them (Install.cmake),
# the shared libraries' packages computed by dpkg-shlibdeps in the native
# build.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(CMAKE_CROSSCOMPILING AND NOT WIN32)
  # dpkg tells the architecture of this machine, not of the build's target,
  # and dpkg-shlibdeps knows only this machine's libraries: the target's
  # architecture and its C library are named here instead. The programs
  # need the C library alone (the C++ runtime is linked in); the package
  # test checks that no program asks for a newer one than this.
  set(VY_DEBIAN_ARCHITECTURES aarch64=arm64)
  list(FILTER VY_DEBIAN_ARCHITECTURES INCLUDE REGEX "^${CMAKE_SYSTEM_PROCESSOR}=")
  if(NOT VY_DEBIAN_ARCHITECTURES)
    message(FATAL_ERROR "no Debian architecture is known for ${CMAKE_SYSTEM_PROCESSOR}")
  endif()
  string(REGEX REPLACE "^.*=" "" CPACK_DEBIAN_PACKAGE_ARCHITECTURE "${VY_DEBIAN_ARCHITECTURES}")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.36)")
else()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE "")
set(CPACK_DEBIAN_SUITE_PACKAGE_NAME ${VY_PACKAGE_NAME})
set(CPACK_DEBIAN_SUITE_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_EMULATOR_PACKAGE_NAME ${VY_PACKAGE_NAME}-emulator)
set(CPACK_DEBIAN_EMULATOR_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_EMULATOR_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_EMULATOR_PACKAGE_DEPENDS "default-jre-headless (>= 2:1.17) | java17-runtime-headless")
set(CPACK_COMPONENT_SUITE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
string(JOIN "\n" CPACK_COMPONENT_EMULATOR_DESCRIPTION
  "A storage-server emulator on the loopback address, and client class archives"
  "with the names and argument lists that the vy programs use, to try the suite"
  "without the real server.")

# RPM (rpmbuild): the same files and the same split as the DEBs. The
# architecture is the build's target, not the packaging machine's, so that a
# cross build is packaged for what it was built for.
if(NOT WIN32)
  set(VY_RPM_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
  if(VY_RPM_ARCHITECTURE MATCHES "^(amd64|AMD64)$")
    set(VY_RPM_ARCHITECTURE x86_64)
  elseif(VY_RPM_ARCHITECTURE MATCHES "^(arm64|ARM64)$")
    set(VY_RPM_ARCHITECTURE aarch64)
  endif()
  set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_PACKAGE_RELEASE 1)
  set(CPACK_RPM_PACKAGE_ARCHITECTURE ${VY_RPM_ARCHITECTURE})
  # packaging/copyright: no license granted yet (SPDX: a reference of our own).
  set(CPACK_RPM_PACKAGE_LICENSE "LicenseRef-vy-no-license-granted")
  set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
  set(CPACK_RPM_PACKAGE_RELOCATABLE OFF)
  set(CPACK_RPM_SUITE_PACKAGE_NAME ${VY_PACKAGE_NAME})
  set(CPACK_RPM_SUITE_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_SUITE_PACKAGE_SUMMARY "Launchers for a storage server's copy tasks and a host's volumes")
  # A build without the emulator (the aarch64 one) makes the suite's package
  # alone, not split by component: the same summary and description.
  set(CPACK_RPM_PACKAGE_SUMMARY ${CPACK_RPM_SUITE_PACKAGE_SUMMARY})
  set(CPACK_RPM_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
  set(CPACK_RPM_EMULATOR_PACKAGE_NAME ${VY_PACKAGE_NAME}-emulator)
  set(CPACK_RPM_EMULATOR_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_EMULATOR_PACKAGE_ARCHITECTURE noarch)
  set(CPACK_RPM_EMULATOR_PACKAGE_SUMMARY "Storage-server emulator for trying the vy command-line suite")
  # A Java 17 runtime or later: Fedora's, RHEL's and SUSE's OpenJDK packages
  # provide java-headless (epoch 1 on Fedora and RHEL, none on SUSE).
  set(CPACK_RPM_EMULATOR_PACKAGE_REQUIRES "(java-headless >= 1:17 or jre-17-headless or jre-21-headless)")
  set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_BINARY_DIR}/packaging/rpm-changelog)
  # Folders that belong to the system (the filesystem package), never to
  # ours.
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/man /usr/share/man/man1 /usr/share/man/man5 /usr/share/man/man7)
  # The packages hold the files as the install made them (stripped by CPack,
  # pages gzipped by the build: the TGZ's bytes), no debug package, and the
  # same bytes from the same commit: times and build host from
  # SOURCE_DATE_EPOCH and the project, never from the clock or the machine.
  string(JOIN "\n" CPACK_RPM_SPEC_MORE_DEFINE
    "%define packager ${VY_PACKAGE_CONTACT}"
    "%define __os_install_post %{nil}"
    "%define __spec_install_post %{nil}"
    "%define debug_package %{nil}"
    "%define _build_id_links none"
    "%define use_source_date_epoch_as_buildtime 1"
    "%define clamp_mtime_to_source_date_epoch 1"
    "%define _buildhost vy-command-line.build"
    "%define _binary_payload w9.gzdio"
    "%define _binary_filedigest_algorithm 8")
endif()

include(CPack)

# The programs that ship, one a line: scripts/package.sh signs these.
set(VY_PROGRAM_FILES "")
foreach(program IN LISTS VY_PROGRAMS)
  string(APPEND VY_PROGRAM_FILES "$<TARGET_FILE:${program}>\n")
endforeach()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/programs.txt CONTENT "${VY_PROGRAM_FILES}")
