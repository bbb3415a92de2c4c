# The password tool as an administrator runs it: passwords piped in, stored forms out,
# and back again with --decode, byte for byte.
#   cmake -DTOOL=<path to quillbay-password> -P password_tool_test.cmake
cmake_policy(SET CMP0007 NEW)
if(NOT TOOL OR NOT EXISTS "${TOOL}")
  message(FATAL_ERROR "TOOL must name the password tool (got '${TOOL}')")
endif()

set(work "${CMAKE_CURRENT_BINARY_DIR}/password_tool_test")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

function(run_tool input output)
  execute_process(COMMAND "${TOOL}" ${ARGN}
    INPUT_FILE "${input}" OUTPUT_FILE "${output}" ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${ARGN} failed (${result}): ${errors}")
  endif()
endfunction()

function(expect_same_bytes expected actual what)
  file(READ "${expected}" expectedHex HEX)
  file(READ "${actual}" actualHex HEX)
  if(NOT expectedHex STREQUAL actualHex)
    message(FATAL_ERROR "${what}: ${actual} differs from ${expected}")
  endif()
endfunction()

# Stored forms worked out from the scrambling rules.
string(ASCII 228 a_umlaut)
file(WRITE "${work}/known.txt" "a\nab\nabc\nsecret\n\nP${a_umlaut}ss w\"rd\n")
file(WRITE "${work}/known.expected" "Ow==\nO8k=\nO8mG\nKefp7DZ/\n\nCq7zK/UFamrl\n")
run_tool("${work}/known.txt" "${work}/known.stored")
expect_same_bytes("${work}/known.expected" "${work}/known.stored" "known stored forms")

# Lines typed on Windows end in CR LF; a last line may lack its line end.
file(WRITE "${work}/crlf.txt" "a\r\nab\r\nabc")
file(WRITE "${work}/crlf.expected" "Ow==\nO8k=\nO8mG\n")
run_tool("${work}/crlf.txt" "${work}/crlf.stored")
expect_same_bytes("${work}/crlf.expected" "${work}/crlf.stored" "CR LF input")

# One random password of every length from 1 to 1000 bytes (any byte but NUL and LF, and
# no CR at the end), then blanks, quotes, high bytes and an empty line.
set(alphabet "")
foreach(code RANGE 1 255)
  if(NOT code EQUAL 10)
    string(ASCII ${code} character)
    string(APPEND alphabet "${character}")
  endif()
endforeach()
string(ASCII 13 cr)
string(ASCII 255 ff)
set(passwords "")
foreach(length RANGE 1 1000)
  math(EXPR seed "${length} * 7919")
  string(RANDOM LENGTH ${length} ALPHABET "${alphabet}" RANDOM_SEED ${seed} password)
  string(REGEX REPLACE "${cr}$" "x" password "${password}")
  string(APPEND passwords "${password}\n")
endforeach()
string(APPEND passwords "  with blanks  \n\n\"quoted\" 'single'\n${ff}${ff}${ff}${a_umlaut}\n=;[]%USERNAME%\n")
file(WRITE "${work}/passwords.txt" "${passwords}")

run_tool("${work}/passwords.txt" "${work}/stored.txt")
run_tool("${work}/stored.txt" "${work}/decoded.txt" --decode)
expect_same_bytes("${work}/passwords.txt" "${work}/decoded.txt" "round trip")

file(STRINGS "${work}/stored.txt" storedLines)
list(LENGTH storedLines count)
if(count LESS 1004)
  message(FATAL_ERROR "expected at least 1004 stored forms, got ${count}")
endif()
foreach(line IN LISTS storedLines)
  string(LENGTH "${line}" length)
  math(EXPR rest "${length} % 4")
  if(NOT rest EQUAL 0 OR NOT line MATCHES "^[A-Za-z0-9+/]*=?=?$")
    message(FATAL_ERROR "not a stored form: '${line}'")
  endif()
endforeach()

# Help and a wrong option.
execute_process(COMMAND "${TOOL}" --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT help MATCHES "--decode" OR NOT help MATCHES "terminal")
  message(FATAL_ERROR "--help failed (${result}): ${help}")
endif()
execute_process(COMMAND "${TOOL}" --frobnicate OUTPUT_VARIABLE out ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 2 OR NOT errors MATCHES "--frobnicate" OR NOT out STREQUAL "")
  message(FATAL_ERROR "an unknown option must fail with 2 and say why (${result}): ${errors}")
endif()

# The longest password the program reads back is 1534 bytes; a longer line is refused
# on standard error, keeps its output line (empty) and makes the exit status 1, while
# the lines around it are still turned into stored forms.
string(REPEAT "p" 1534 longest)
file(WRITE "${work}/limit.txt" "ok\n${longest}\n${longest}x\nafter\n")
execute_process(COMMAND "${TOOL}" INPUT_FILE "${work}/limit.txt" OUTPUT_FILE "${work}/limit.stored"
  ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 1 OR NOT errors MATCHES "line 3: the password is 1535 bytes long" OR NOT errors MATCHES "1534")
  message(FATAL_ERROR "a 1535-byte password must be refused with a message and exit status 1 (${result}): ${errors}")
endif()
file(STRINGS "${work}/limit.stored" limitLines)
list(LENGTH limitLines limitCount)
file(READ "${work}/limit.stored" limitStored)
string(REGEX MATCHALL "\n" breaks "${limitStored}")
list(LENGTH breaks breakCount)
list(GET limitLines 2 refusedLine)
if(NOT breakCount EQUAL 4 OR NOT limitCount EQUAL 4 OR NOT refusedLine STREQUAL "")
  message(FATAL_ERROR "the refused line must keep an empty output line: ${limitStored}")
endif()
list(GET limitLines 0 first)
list(GET limitLines 3 last)
if(NOT first STREQUAL "NZk=" OR NOT last STREQUAL "O80UruY=")
  message(FATAL_ERROR "the lines around a refused one must still be processed: ${first} ${last}")
endif()
list(GET limitLines 1 longestStored)
string(LENGTH "${longestStored}" longestStoredLength)
file(WRITE "${work}/longest.stored" "${longestStored}\n")
run_tool("${work}/longest.stored" "${work}/longest.decoded" --decode)
file(READ "${work}/longest.decoded" longestDecoded)
if(NOT longestDecoded STREQUAL "${longest}\n" OR NOT longestStoredLength EQUAL 2048)
  message(FATAL_ERROR "the longest password must round-trip (${longestStoredLength} characters stored)")
endif()

message(STATUS "password tool: ${count} passwords round-tripped")
