# Installing as a desktop program (cmake --install): the binary and resources (installed where they
# are built), the desktop entry, the hicolor icons, the AppStream metainfo and the Debian package's
# documents; and the Debian package itself (cpack -G DEB).
include(GNUInstallDirs)
set(packaging ${CMAKE_SOURCE_DIR}/packaging)

if(TARGET carrowen_draw_images)
    # The application icon in the usual hicolor sizes, drawn by the project's own image tool.
    set(icons_dir ${CMAKE_BINARY_DIR}/icons)
    add_custom_command(OUTPUT ${icons_dir}/hicolor/256x256/apps/carrowen.png
        COMMAND carrowen_draw_images --icons ${icons_dir}
        DEPENDS carrowen_draw_images
        COMMENT "Drawing the application icons")
    add_custom_target(carrowen_icons ALL DEPENDS ${icons_dir}/hicolor/256x256/apps/carrowen.png)
    install(DIRECTORY ${icons_dir}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

install(FILES ${packaging}/com.velbor.Carrowen.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/com.velbor.Carrowen.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants a copyright file and a compressed changelog with every package.
set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${packaging}/changelog ${changelog_gz}
    DEPENDS ${packaging}/changelog
    COMMENT "Compressing the package changelog"
    VERBATIM)
add_custom_target(carrowen_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${packaging}/copyright ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/carrowen)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME carrowen)
set(CPACK_PACKAGE_VENDOR Velbor)
set(CPACK_PACKAGE_CONTACT "Carrowen maintainers <maintainers@velbor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet connection monitor for the system tray")
set(CPACK_PACKAGE_DESCRIPTION "Carrowen sits in the system tray and checks the Internet connection.
Every change is spoken, shown in an alert and logged; a history of outages
with availability figures can be exported as CSV or as a PDF report.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.velbor.example/carrowen)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Speech needs the voices at run time; xdg-open shows the log and the web pages.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, xdg-utils")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
