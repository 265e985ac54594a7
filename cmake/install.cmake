# Installation and the Debian package, filled from the program's identity.
include(GNUInstallDirs)
set(krv_meta ${CMAKE_BINARY_DIR}/meta)
configure_file(resources/application.desktop.in ${krv_meta}/${KRV_APP_ID}.desktop @ONLY)
configure_file(resources/application.metainfo.xml.in ${krv_meta}/${KRV_APP_ID}.metainfo.xml @ONLY)
configure_file(docs/krv_pdf.1.in ${krv_meta}/${KRV_EXECUTABLE}.1 @ONLY)

install(TARGETS krv_pdf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# qpdf's part, loaded at run time from this folder relative to the program's.
install(TARGETS krv_structure_module LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/${KRV_PACKAGE})
install(FILES ${krv_meta}/${KRV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${krv_meta}/${KRV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES resources/pictures/icon_${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${KRV_APP_ID}.png)
endforeach()
# Manual page and changelog go compressed, as Debian wants them.
add_custom_command(OUTPUT ${krv_meta}/${KRV_EXECUTABLE}.1.gz
  COMMAND gzip -9nc ${krv_meta}/${KRV_EXECUTABLE}.1 > ${krv_meta}/${KRV_EXECUTABLE}.1.gz
  DEPENDS ${krv_meta}/${KRV_EXECUTABLE}.1 VERBATIM)
add_custom_command(OUTPUT ${krv_meta}/changelog.gz
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/docs/changelog > ${krv_meta}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/changelog VERBATIM)
add_custom_target(krv_docs ALL DEPENDS ${krv_meta}/${KRV_EXECUTABLE}.1.gz ${krv_meta}/changelog.gz)
# The manual is in French: the French section, where man finds it for French users.
install(FILES ${krv_meta}/${KRV_EXECUTABLE}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/fr/man1)
install(FILES docs/copyright ${krv_meta}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${KRV_PACKAGE})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${KRV_PACKAGE})
set(CPACK_PACKAGE_VERSION ${KRV_VERSION})
set(CPACK_PACKAGE_VENDOR ${KRV_MAKER})
set(CPACK_PACKAGE_CONTACT "${KRV_MAKER} <support@krv.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "aide en ligne du logiciel ${KRV_MAKER}")
set(CPACK_PACKAGE_DESCRIPTION "${KRV_TITLE} affiche la documentation PDF du logiciel ${KRV_MAKER}
à côté d’une fenêtre de menu étroite. Le logiciel hôte indique le document
à ouvrir dans son fichier d’échange W_intlog.wdo ; la loupe liste les
autres documents du dossier.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KRV_MAKER_ADDRESS})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's French texts and CUPS's library are loaded at run time, so no library
# dependency can find them (qpdf's is found through the module).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, libcups2")
# The logo's address opens through the desktop's xdg-open; Japanese text in fonts a
# document does not carry is drawn only with a Japanese font that Qt PDF's font
# mapping finds by name: VL Gothic is one it asks for first.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-vlgothic")
include(CPack)
