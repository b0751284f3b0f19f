# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack` in the build directory makes a Debian package of what `cmake --install` puts in place.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Quorvane developers")
set(CPACK_PACKAGE_CONTACT "Quorvane developers <packages@quorvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "SEO figures of many domains at once (Chinese interface)")
# Lines of the long description stay within 80 columns, as Debian policy asks.
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvane reads the SEO statistics site and the Baidu result pages for every
domain of a list and tabulates Baidu weight, keyword count, estimated visits,
indexed pages, backlinks and snapshot date. The interface is in Chinese.
quorvane-demo runs the same window offline against a replica of the sites on
loopback.")
set(CPACK_STRIP_FILES ON)
# Folders as Debian packages have them, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorvane.example)
# Library dependencies come from dpkg-shlibdeps. Besides those: a CJK face for the Chinese captions, and the
# platform plugins, which Qt loads at run time (the Qt GUI library only recommends them, so no window without);
# the icon theme's index, without which Qt finds no icon in it; Qt's own Chinese texts (dialogs, context menus);
# the SQLite driver of the history, a plugin too. (The history window's charts library is linked, so
# dpkg-shlibdeps names it.)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-wqy-microhei | fonts-noto-cjk, qt6-qpa-plugins, hicolor-icon-theme, qt6-translations-l10n, libqt6sql6-sqlite")

# The changelog's newest entry names the package's version and date. The version must be the project's. The date
# is the time of every file and archive member of the package (SOURCE_DATE_EPOCH, which the DEB generator reads;
# a SOURCE_DATE_EPOCH in the environment of the configuration is taken instead), so that two builds of one
# commit give the same package, byte for byte.
set(changelog ${CMAKE_CURRENT_LIST_DIR}/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
file(STRINGS ${changelog} heading LIMIT_COUNT 1)
if(NOT heading MATCHES "^quorvane \\(([^)]+)\\) ")
  message(FATAL_ERROR "${changelog}: the first line names no version: ${heading}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "${changelog}: the newest entry is version ${CMAKE_MATCH_1}, the project ${PROJECT_VERSION}")
endif()
file(STRINGS ${changelog} trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT trailer MATCHES ">  ([^<>]+)$")
  message(FATAL_ERROR "${changelog}: the newest entry has no date: ${trailer}")
endif()
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(QUORVANE_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND date -u -d "${CMAKE_MATCH_1}" +%s OUTPUT_VARIABLE QUORVANE_SOURCE_DATE_EPOCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
if(NOT QUORVANE_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "no time stamp for the package: ${QUORVANE_SOURCE_DATE_EPOCH}")
endif()
# Read by cpack before it packages.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
file(CONFIGURE OUTPUT ${CPACK_PROJECT_CONFIG_FILE}
     CONTENT "set(ENV{SOURCE_DATE_EPOCH} ${QUORVANE_SOURCE_DATE_EPOCH})\n")
include(CPack)
