# Runs at install time: the menu entry starts the program by its absolute path under the
# prefix given then, which need not be on PATH. The path is quoted as the Desktop Entry
# rules ask, so a prefix with spaces or quotes still starts the program.
set(program "${CMAKE_INSTALL_PREFIX}/${QUILLBOX_INSTALL_BINDIR}/quillbox")
if(IS_ABSOLUTE "${QUILLBOX_INSTALL_BINDIR}")
    set(program "${QUILLBOX_INSTALL_BINDIR}/quillbox")
endif()
set(exec "${program}")
if(exec MATCHES "[][ \t\n\"'\\\\><~|&;$*?#()`]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
    set(exec "\"${exec}\"")
endif()
# Field codes begin with %, and the file's string escapes come on top of the quoting.
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\\" "\\\\" tryexec "${program}")
set(QUILLBOX_DESKTOP_EXEC "${exec}")
set(QUILLBOX_DESKTOP_TRYEXEC "${tryexec}")
configure_file("${QUILLBOX_DESKTOP_TEMPLATE}" "${QUILLBOX_DESKTOP_STAGING}/quillbox.desktop" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${QUILLBOX_INSTALL_DATADIR}/applications"
     TYPE FILE FILES "${QUILLBOX_DESKTOP_STAGING}/quillbox.desktop")
