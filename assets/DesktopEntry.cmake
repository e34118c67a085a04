# Run at install time: writes the desktop entry with the installed executable's full path, since
# the prefix's bin (~/.local/bin for one user) need not be on the PATH the menu starts it with.
# In: OSTREL_DESKTOP_TEMPLATE (Exec=@OSTREL_EXEC@), OSTREL_DESKTOP_STAGE (a folder to write it to).
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
file(WRITE "${OSTREL_DESKTOP_STAGE}/ostrel.desktop" "${entry}")
# file(INSTALL) adds DESTDIR and records the file in the install manifest.
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${OSTREL_DESKTOP_STAGE}/ostrel.desktop")
