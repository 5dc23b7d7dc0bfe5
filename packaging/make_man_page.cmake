# Writes a manual page from a program's --help with help2man (cmake -P).
#   -DHELP2MAN=... -DPROGRAM=path -DNAME=vok -DSUMMARY="..." -DVERSION=1.0
#   -DOUTPUT=vok.1 [-DINCLUDE=static include file] [-DSUBCOMMANDS=run,code/check]
# Each subcommand's own --help becomes a part of the COMMANDS section; a
# slash separates the words of a nested one ("code/check" is `code check`).
set(include_file "${OUTPUT}.include")
set(text "")
if(DEFINED INCLUDE)
  file(READ "${INCLUDE}" text)
endif()
if(DEFINED SUBCOMMANDS)
  string(APPEND text "[COMMANDS]\n")
  string(REPLACE "," ";" commands "${SUBCOMMANDS}")
  foreach(command IN LISTS commands)
    string(REPLACE "/" ";" words "${command}")
    string(REPLACE "/" " " command "${command}")
    execute_process(COMMAND "${PROGRAM}" ${words} --help OUTPUT_VARIABLE help
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${PROGRAM} ${command} --help failed")
    endif()
    # roff: a backslash must be doubled, a leading dot or quote escaped.
    string(REPLACE "\\" "\\\\" help "${help}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
    string(APPEND text ".SS ${NAME} ${command}\n.nf\n${help}.fi\n")
  endforeach()
endif()
file(WRITE "${include_file}" "${text}")
execute_process(
  COMMAND "${HELP2MAN}" --no-info --no-discard-stderr "--version-string=${VERSION}"
          "--name=${SUMMARY}" "--include=${include_file}" "--output=${OUTPUT}" "${PROGRAM}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${PROGRAM}")
endif()
