# Writes the help2man include file that adds every wrenfold-cli command's own --help to the
# program's manual page, each command a subsection, its text kept as printed.
#   cmake -DCLI=path/to/wrenfold-cli -DOUTPUT=file -P cli_man_include.cmake
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE overview RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed: ${status}")
endif()
# The command list: the lines "  NAME  summary" after "Commands:".
string(REGEX REPLACE ".*\nCommands:\n" "" list "${overview}")
string(REGEX REPLACE "\n\n.*" "" list "${list}")
string(REPLACE "\n" ";" lines "${list}")
set(text "[COMMANDS]\n")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^  ([a-z]+) ")
    message(FATAL_ERROR "not a command line in ${CLI} --help: ${line}")
  endif()
  set(name ${CMAKE_MATCH_1})
  execute_process(COMMAND ${CLI} ${name} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CLI} ${name} --help failed: ${status}")
  endif()
  # roff: a backslash is written \e; a line starting with . or ' would be a request.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND text ".SS ${name}\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
