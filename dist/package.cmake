# A Debian package of everything `cmake --install` installs, built in the
# build tree with `cpack -G DEB`. The shared libraries the programs link
# are found by dpkg-shlibdeps; what they load or call at run time is listed
# by hand.
set(CPACK_PACKAGE_NAME mp3sonavex)
set(CPACK_PACKAGE_VENDOR "MP3 Sonavex")
set(CPACK_PACKAGE_CONTACT "MP3 Sonavex")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Große MP3-Sammlungen aufräumen")
set(CPACK_PACKAGE_DESCRIPTION "MP3 Sonavex benennt MP3-Dateien nach Regeln um, schreibt ID3v1-Tags,
zeigt Tag- und MPEG-Daten in einer Tabelle, exportiert Dateilisten und
ersetzt Text in Wiedergabelisten; jede Änderung lässt sich rückgängig
machen. mp3sonavex-cli führt dieselben Befehle ohne Fenster aus.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # mp3sonavex_2.3_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in German, the program's font (Liberation Sans stands in
# for Arial), and a browser for the help page.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
