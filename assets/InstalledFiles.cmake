# Run last at install time: writes the list of the installed files into the installed program
# folder, where whoever installed can remove the install with it (README), also when the build
# folder is another user's. The list names itself too, and each file where it finally lies (a
# staged install under DESTDIR lists the places of the packaged files).
# In: OSTREL_INSTALL_PROGRAM_DIR (the program folder, below the prefix).
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(destination "${prefix}/${OSTREL_INSTALL_PROGRAM_DIR}/install_manifest.txt")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${destination}")
list(REMOVE_DUPLICATES CMAKE_INSTALL_MANIFEST_FILES)
list(JOIN CMAKE_INSTALL_MANIFEST_FILES "\n" installed)
message(STATUS "Installing: $ENV{DESTDIR}${destination}")
file(WRITE "$ENV{DESTDIR}${destination}" "${installed}\n")
file(CHMOD "$ENV{DESTDIR}${destination}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
