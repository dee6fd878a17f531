# Manual pages and the Debian package (cmake --build --preset release --target package).
# The desktop entry, icon, types and metainfo are installed by the top-level CMakeLists.txt.

# Manual pages go in compressed, as Debian wants them; gzip -n keeps the bytes reproducible.
find_program(TESQV_GZIP gzip REQUIRED)
find_program(TESQV_HELP2MAN help2man)
set(man_dir ${PROJECT_BINARY_DIR}/man)
set(man_pages)

if(TESQV_GUI)
  add_custom_command(
    OUTPUT ${man_dir}/tesqv.1.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/res/tesqv.1 ${man_dir}/tesqv.1
    COMMAND ${TESQV_GZIP} -9nf ${man_dir}/tesqv.1
    DEPENDS ${PROJECT_SOURCE_DIR}/res/tesqv.1
    VERBATIM)
  list(APPEND man_pages ${man_dir}/tesqv.1.gz)
endif()

# tesqv-cli's page is its own help, so it cannot drift from the parser. help2man names the
# page after the program it runs: a stand-in named tesqv-cli gathers every subcommand's help.
if(TESQV_HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
  set(subcommands info convert stats)
  if(TESQV_GUI)
    list(APPEND subcommands render)
  endif()
  list(JOIN subcommands " " subcommands)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/tesqv-cli-help.sh.in ${man_dir}/tesqv-cli-help.sh.in
                 @ONLY)
  file(GENERATE OUTPUT ${man_dir}/help/tesqv-cli INPUT ${man_dir}/tesqv-cli-help.sh.in
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
  add_custom_command(
    OUTPUT ${man_dir}/tesqv-cli.1.gz
    COMMAND ${TESQV_HELP2MAN} --no-info --no-discard-stderr --section=1
            "--name=the trace viewer's headless companion" --output=${man_dir}/tesqv-cli.1
            ${man_dir}/help/tesqv-cli
    COMMAND ${TESQV_GZIP} -9nf ${man_dir}/tesqv-cli.1
    DEPENDS tesqv-cli ${man_dir}/help/tesqv-cli
    VERBATIM)
  list(APPEND man_pages ${man_dir}/tesqv-cli.1.gz)
else()
  message(STATUS "help2man not found: no manual page for tesqv-cli")
endif()

if(man_pages)
  add_custom_target(tesqv_man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The package. Its Depends come from dpkg-shlibdeps on the installed programs.
set(TESQV_DEB_MAINTAINER "tesqv maintainers <maintainers@tesqv.invalid>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesqv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TESQV_DEB_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TESQV_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugin at run time, so no linked library names it; without it the
# window cannot open (libqt6gui6 only recommends it).
if(TESQV_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for sampled traces")
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "tesqv shows recordings of up to 8 curves taken at one fixed time step: text"
  "traces, byte-coded captures and CSV or TSV tables. Scroll and zoom through a"
  "trace, read values under the pointer, select ranges, rescale curves with short"
  "commands, jump between markers and save the trace again."
  "."
  "tesqv-cli prints, measures, converts and renders traces without a window.")
# The copyright file and the changelog belong to the package alone, not to every
# cmake --install.
set(CPACK_TESQV_COPYRIGHT ${PROJECT_SOURCE_DIR}/res/copyright)
set(CPACK_TESQV_GZIP ${TESQV_GZIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageDocs.cmake)
include(CPack)
