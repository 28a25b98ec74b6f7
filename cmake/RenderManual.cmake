# Renders a manual page as a text file that Windows editors show as it is: UTF-8 with its
# byte-order mark (without it older Notepads guess a code page), CR LF line ends, no backspace
# overstrikes.
#   cmake -DMAN=man -DCOL=col -DPAGE=page.1 -DOUTPUT=page.txt -P RenderManual.cmake
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80 ${MAN} -l -Tutf8 ${PAGE}
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${COL} -bx
  OUTPUT_VARIABLE text
  RESULTS_VARIABLE statuses)
foreach(status IN LISTS statuses)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Rendering ${PAGE} failed: ${statuses}")
  endif()
endforeach()
string(STRIP "${text}" text)
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 bom)
file(WRITE ${OUTPUT} "${bom}${text}\r\n")
