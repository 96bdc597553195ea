# SPDX-License-Identifier: GPL-3.0-or-later
# Debian package of the installed program: `cpack -G DEB` in the build folder (or the "package"
# target). It installs under /usr, where the programs run in native mode.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trakor3)
set(CPACK_PACKAGE_VENDOR "Quenby Software")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Trakor3 maintainers <trakor3@quenby.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GPS route and track converter for MapSource and Garmin devices")
# Lines of the long description stay within 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Trakor3 converts routes and tracks of MapSource GDB, GPX, TCX, CRS, FIT, KML,"
    "KMZ, ITN and NMEA files into GDB files or TCX courses for Training Center and"
    "Garmin EDGE devices: routes become tracks and back, calculated routes become"
    "direct routes, via points are shown or hidden, tracks are thinned and split,"
    "and courses get turn points. Courses go straight into a Garmin device"
    "connected as a USB drive or through MTP."
    ""
    "The package holds the desktop program Trakor3 and the command trakor3-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Runtime libraries come from the binaries themselves; without dpkg-shlibdeps the list is
# the one a Debian 12 build links against.
find_program(TRAKOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TRAKOR_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.36), libstdc++6 (>= 12), libgcc-s1, zlib1g, libminizip1, libmount1, libexpat1")
  # The desktop program and the render program of trakor3-cli draw the map with Qt.
  if(TARGET Trakor3 OR TARGET trakor3-cli-render)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6widgets6, libqt6gui6, libqt6network6, libqt6core6")
  endif()
endif()
# Opening results and the guide goes through the desktop; MapSource and Training Center run in Wine.
# The platform themes give the desktop's own file dialogs (the portal one in sandboxes).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, shared-mime-info, desktop-file-utils, qt6-xdgdesktopportal-platformtheme | qt6-gtk-platformtheme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine, pdf-viewer")
include(CPack)
