# Run at install time: writes the desktop entry with the installed executable's full path, since
# the prefix's bin (~/.local/bin for one user) need not be on the PATH the menu starts it with.
# The entry is written straight to its place: the build folder may belong to another user.
# In: OSTREL_DESKTOP_TEMPLATE (Exec=@OSTREL_EXEC@).
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(exec "${prefix}/bin/Ostrel")
if(exec MATCHES "[\n\r]")
  message(FATAL_ERROR "a desktop entry cannot name ${exec}")
endif()
# A path with a character that the Exec key reserves goes in double quotes, where ", `, $ and \
# are escaped with a backslash.
set(quote OFF)
foreach(c " " "\t" "\"" "'" "\\" ">" "<" "~" "|" "&" ";" "$" "*" "?" "#" "(" ")" "`")
  string(FIND "${exec}" "${c}" at)
  if(at GREATER -1)
    set(quote ON)
  endif()
endforeach()
if(quote)
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
# Then the escapes of the entry file itself: a backslash doubled, % (field codes) doubled.
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")

file(READ "${OSTREL_DESKTOP_TEMPLATE}" entry)
string(REPLACE "@OSTREL_EXEC@" "${exec}" entry "${entry}")
# What file(INSTALL) would do: the staging folder DESTDIR in front, a message, the file readable
# by all whatever the umask, and a line in the list of installed files (which names the final
# place, without DESTDIR).
set(destination "${prefix}/share/applications/ostrel.desktop")
message(STATUS "Installing: $ENV{DESTDIR}${destination}")
file(WRITE "$ENV{DESTDIR}${destination}" "${entry}")
file(CHMOD "$ENV{DESTDIR}${destination}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${destination}")
