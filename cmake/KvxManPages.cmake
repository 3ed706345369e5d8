# Writes the manual pages of the kvxtheme tool with help2man from its --help: kvxtheme.1 and one
# kvxtheme-COMMAND.1 per command that `kvxtheme --help` lists.
# cmake -DTOOL=<kvxtheme> -DHELP2MAN=<help2man> -DOUT=<folder> -P KvxManPages.cmake
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE overview RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help failed")
endif()
# The commands: lines of two spaces, a lowercase word and more, after "commands:".
string(REGEX REPLACE ".*commands:\n" "" listing "${overview}")
string(REGEX MATCHALL "\n  [a-z]+ " entries "\n${listing}")
set(commands)
foreach(entry IN LISTS entries)
  string(STRIP "${entry}" command)
  list(APPEND commands ${command})
endforeach()
if(NOT commands)
  message(FATAL_ERROR "no commands in ${TOOL} --help")
endif()

file(MAKE_DIRECTORY ${OUT})
set(see_also)
foreach(command IN LISTS commands)
  list(APPEND see_also ".BR kvxtheme-${command} (1)")
endforeach()
list(JOIN see_also ",\n" see_also)
file(WRITE ${OUT}/see-also.h2m "[SEE ALSO]\n${see_also}\n")

execute_process(COMMAND ${HELP2MAN} --no-info --section 1 --source kvxtheme
  --name "theme effects for video: render, pack and inspect KVX themes"
  --include ${OUT}/see-also.h2m --output ${OUT}/kvxtheme.1 ${TOOL}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for kvxtheme")
endif()

foreach(command IN LISTS commands)
  # The command's one-line summary from the overview names the page.
  string(REGEX MATCH "\n  ${command} [^\n]*" line "\n${listing}")
  string(REGEX REPLACE ".*   +" "" summary "${line}")
  execute_process(COMMAND ${HELP2MAN} --no-info --section 1 --source kvxtheme
    --name "${summary}" --help-option "${command} --help" --version-option --version
    --output ${OUT}/kvxtheme-${command}.1 ${TOOL}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man failed for kvxtheme ${command}")
  endif()
  # help2man names a page after the program; this one is the command's.
  file(READ ${OUT}/kvxtheme-${command}.1 page)
  string(TOUPPER "${command}" upper)
  string(REPLACE ".TH KVXTHEME " ".TH KVXTHEME-${upper} " page "${page}")
  string(REPLACE "\n.SH NAME\nkvxtheme \\-" "\n.SH NAME\nkvxtheme-${command} \\-" page "${page}")
  file(WRITE ${OUT}/kvxtheme-${command}.1 "${page}")
endforeach()
file(REMOVE ${OUT}/see-also.h2m)
