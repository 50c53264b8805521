# Fallback pictures for Symbols, shipped inside the program so every symbol shows on a
# machine without an icon theme. They are copied at configure time from the installed
# Adwaita icon theme (Debian package adwaita-icon-theme; LGPL-3.0-or-later or
# CC-BY-SA-3.0), symbolic variants at four sizes.
set(QUILLBOX_ADWAITA_DIR /usr/share/icons/Adwaita CACHE PATH "Installed Adwaita icon theme")
set(symbol_theme_names
    camera-photo view-more edit-select-all focus-windows view-fullscreen view-continuous
    view-list-bullet security-low security-high go-jump view-refresh emblem-synchronizing
    image-x-generic folder window-close edit-copy object-select document-edit
    view-conceal format-text-rich edit-undo user-trash)
set(symbol_base ${CMAKE_CURRENT_BINARY_DIR}/ui-symbols)
set(symbol_files "")
foreach(name ${symbol_theme_names})
    foreach(size 16 24 32 48)
        file(GLOB found ${QUILLBOX_ADWAITA_DIR}/${size}x${size}/*/${name}-symbolic.symbolic.png)
        if(NOT found)
            message(FATAL_ERROR "Icon ${name} (${size} px) not found under ${QUILLBOX_ADWAITA_DIR}: "
                                "install the Debian package adwaita-icon-theme (scripts/setup.sh)")
        endif()
        list(GET found 0 source)
        configure_file(${source} ${symbol_base}/symbols/${name}/${size}.png COPYONLY)
        list(APPEND symbol_files ${symbol_base}/symbols/${name}/${size}.png)
    endforeach()
endforeach()
qt_add_resources(quillbox_platform quillbox_symbols PREFIX / BASE ${symbol_base} FILES ${symbol_files})
