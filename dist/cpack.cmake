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
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorvane.example)
# Library dependencies come from dpkg-shlibdeps. Besides those: a CJK face for the Chinese captions, and the
# platform plugins, which Qt loads at run time (the Qt GUI library only recommends them, so no window without);
# the icon theme's index, without which Qt finds no icon in it; Qt's own Chinese texts (dialogs, context menus).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-wqy-microhei | fonts-noto-cjk, qt6-qpa-plugins, hicolor-icon-theme, qt6-translations-l10n")
include(CPack)
