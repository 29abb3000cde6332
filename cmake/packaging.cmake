# What the installed tree holds beyond the programs and their data (apps/CMakeLists.txt): a
# manual page per program, the AppStream metadata, the Debian copyright file and changelog;
# and CPack's settings for the Debian package that `bash tools/package.sh` builds.

# The visualiser joins the package when it is part of the build.
if(TARGET wrenfold-view)
  install(TARGETS wrenfold-view RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# ---- Manual pages, made by help2man from each program's --help and --version -----------------
# Each program and the one-line description its page's NAME section gives.
set(WF_MAN_PAGES
  "wrenfold-cli=collect tweets, timelines and user tables from the Twitter API v1.1 without a window"
  "wrenfold-senti=score short texts for positive and negative sentiment"
  "wrenfold-apisim=local stand-in for the Twitter API v1.1, for demos and tests")
if(TARGET wrenfold)
  list(APPEND WF_MAN_PAGES
    "wrenfold=collect tweets, timelines and user profiles into tables for research")
endif()
if(TARGET wrenfold-view)
  list(APPEND WF_MAN_PAGES
    "wrenfold-view=charts and the interaction network of a tweet table, shown or exported")
endif()

# Not for sanitizer builds: nobody installs those, and their programs' exit checks (leaks)
# have no place in a build step.
find_program(WF_HELP2MAN help2man)
set(WF_MAN_PAGES_BUILT OFF)
if(WF_HELP2MAN AND NOT WF_SANITIZE AND NOT WF_TSAN)
  set(WF_MAN_PAGES_BUILT ON)
  set(man_dir ${CMAKE_BINARY_DIR}/man)
  set(man_files)
  foreach(entry IN LISTS WF_MAN_PAGES)
    string(FIND "${entry}" "=" eq)
    string(SUBSTRING "${entry}" 0 ${eq} program)
    math(EXPR eq "${eq} + 1")
    string(SUBSTRING "${entry}" ${eq} -1 summary)
    set(include_args)
    set(include_files)
    if(program STREQUAL "wrenfold-cli")
      # The commands' own --help texts, which the overview only names.
      set(include_file ${man_dir}/wrenfold-cli-commands.h2m)
      add_custom_command(OUTPUT ${include_file}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
        COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:wrenfold-cli> -DOUTPUT=${include_file}
                -P ${CMAKE_SOURCE_DIR}/cmake/cli_man_include.cmake
        DEPENDS wrenfold-cli ${CMAKE_SOURCE_DIR}/cmake/cli_man_include.cmake
        VERBATIM)
      set(include_args --include=${include_file})
      set(include_files ${include_file})
    endif()
    # gzip -n: no name or time stamp inside, so the same program gives the same page.
    add_custom_command(OUTPUT ${man_dir}/${program}.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
      # Without a display: a Qt program that starts Qt before answering --help still works.
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              ${WF_HELP2MAN} --no-info --section=1 --name=${summary} ${include_args}
              --output=${man_dir}/${program}.1 $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${man_dir}/${program}.1
      DEPENDS ${program} ${include_files}
      COMMENT "Manual page of ${program}"
      VERBATIM)
    list(APPEND man_files ${man_dir}/${program}.1.gz)
  endforeach()
  add_custom_target(wf_man_pages ALL DEPENDS ${man_files})
  install(FILES ${man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(NOT WF_HELP2MAN)
  message(WARNING "help2man not found: no manual pages (tools/install-deps.sh installs it)")
endif()

# ---- Desktop metadata ----------------------------------------------------------------------
# The AppStream id is in reverse-DNS form, as software centres expect; the desktop entry keeps
# its short name (the window sets it as its desktop file name).
set(WF_APPSTREAM_ID "org.example.wrenfold" CACHE STRING "AppStream component id")
set(WF_HOMEPAGE_URL "https://wrenfold.example.org" CACHE STRING
    "Project home page; the AppStream screenshot is docs/screenshot.png published under it")
set(WF_SCREENSHOT_URL "${WF_HOMEPAGE_URL}/docs/screenshot.png")
set(WF_MAINTAINER "Wrenfold developers <wrenfold@example.org>" CACHE STRING
    "Maintainer field of the Debian package")
if(TARGET wrenfold)
  set(WF_METAINFO_PROVIDES "")
  foreach(entry IN LISTS WF_MAN_PAGES)
    string(REGEX REPLACE "=.*" "" program "${entry}")
    string(APPEND WF_METAINFO_PROVIDES "    <binary>${program}</binary>\n")
  endforeach()
  configure_file(${CMAKE_SOURCE_DIR}/apps/gui/wrenfold.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/packaging/${WF_APPSTREAM_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${WF_APPSTREAM_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# ---- Debian copyright and changelog --------------------------------------------------------
set(WF_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/wrenfold)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${WF_DOC_DIR})
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog
               @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(wf_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${WF_DOC_DIR})

# ---- The Debian package --------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wrenfold)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Wrenfold developers")
set(CPACK_PACKAGE_CONTACT "${WF_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collect Twitter data into tables for research")
# The extended description; CPack puts the summary above it and formats it for the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Skein Wrenfold Desktop Edition collects Twitter API v1.1 data with
application-only authentication: tweets matching a search back to a date,
user timelines, follower and friend lists and profiles. It keeps them in
tweet and user tables that you filter, edit, score for sentiment and save
as tab-separated files for statistics tools.

The package holds the desktop window (wrenfold), the command line
(wrenfold-cli), the sentiment classifier (wrenfold-senti) with its word
lists, and a local stand-in for the API (wrenfold-apisim) for trying it out.")
if(TARGET wrenfold-view)
  string(APPEND CPACK_DEBIAN_PACKAGE_DESCRIPTION
         "\n\nThe visualiser (wrenfold-view) draws a tweet table's volume and sentiment\nover time, its top lists and its interaction network, or exports them.")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${WF_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${WF_HOMEPAGE_URL}")
# Dependencies computed by dpkg-shlibdeps from the libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build[^/]*/" "/dist/" "/\\\\.git/")
include(CPack)
