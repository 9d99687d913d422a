# `cpack -G DEB` in the build folder: build/velloran_<version>_<arch>.deb, installing under /usr.
# dpkg-shlibdeps (dpkg-dev) names the packages of the linked libraries; the list
# below adds what the program loads or starts without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velloran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velloran")
set(CPACK_PACKAGE_CONTACT "Velloran developers <velloran@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Instrument data acquisition over a serial line")
set(CPACK_PACKAGE_DESCRIPTION
    "Runs a script of commands against a measuring instrument on an RS-232C line, evaluates the\nreplies, writes them to CSV and a LibreOffice Calc workbook, shows a Japanese run monitor,\nkeeps logs and sends report and alarm mail.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese text, Qt's Japanese buttons and the live workbook's spreadsheet.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk, qt6-translations-l10n, qt6-qpa-plugins, libreoffice-calc | libreoffice-calc-nogui")
# The station user and its folder are made at installation from the package's
# sysusers.d and tmpfiles.d files (see packaging/postinst).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# The Help menu opens the manual in the desktop's browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
