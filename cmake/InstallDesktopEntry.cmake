# Runs at install time: the desktop entry names the program where this install
# puts it, whatever prefix `cmake --install --prefix` was given.
set(TESSIVAR_INSTALLED_PROGRAM "${CMAKE_INSTALL_PREFIX}/${TESSIVAR_INSTALL_BINDIR}/tessivar")
set(entry_folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${TESSIVAR_INSTALL_DATADIR}/applications")
configure_file("${TESSIVAR_DESKTOP_ENTRY_TEMPLATE}" "${entry_folder}/com.brel.tessivar.desktop" @ONLY)
message(STATUS "Installing: ${entry_folder}/com.brel.tessivar.desktop")
