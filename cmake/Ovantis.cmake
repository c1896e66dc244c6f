# Shared build helpers for every subsystem folder.

# The fuzz tree instruments every library, so libFuzzer sees coverage of
# the parsers and the sanitizers see their reads.
if(OVANTIS_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings for our own targets only.
function(ovantis_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# ovantis_add_test(NAME <name> SOURCES <files...> [LIBS <libs...>] [LABELS <l...>] [TIMEOUT <s>])
# A Qt Test executable run by ctest inside its own private HOME,
# XDG_CONFIG_HOME and XDG_RUNTIME_DIR, on the offscreen platform.
function(ovantis_add_test)
  if(NOT OVANTIS_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test testsupport ${T_LIBS})
  ovantis_warnings(${T_NAME})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME}
           COMMAND ${PROJECT_SOURCE_DIR}/cmake/run-isolated $<TARGET_FILE:${T_NAME}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "OVANTIS_SOURCE_DIR=${PROJECT_SOURCE_DIR};OVANTIS_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# ovantis_add_script_test(NAME <name> COMMAND <cmd...>): a shell or python
# test under the same isolation.
function(ovantis_add_script_test)
  if(NOT OVANTIS_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND;LABELS" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${PROJECT_SOURCE_DIR}/cmake/run-isolated ${T_COMMAND})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "OVANTIS_SOURCE_DIR=${PROJECT_SOURCE_DIR};OVANTIS_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# ovantis_add_fuzzer(NAME <name> SOURCES <files...> LIBS <libs...> CORPUS <dirs...>)
# With OVANTIS_FUZZ: a libFuzzer binary. Otherwise: the same entry point
# linked with a replay driver, and a ctest that replays every corpus and
# regression input, so crashes found once stay fixed.
function(ovantis_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS;CORPUS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  ovantis_warnings(${F_NAME})
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
  if(OVANTIS_FUZZ)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    string(REPLACE ";" "," corpus "${F_CORPUS}")
    set_property(GLOBAL APPEND PROPERTY OVANTIS_FUZZERS "${F_NAME}|${corpus}")
  else()
    target_link_libraries(${F_NAME} PRIVATE fuzz_replay)
    if(OVANTIS_TESTS)
      add_test(NAME fuzz_replay_${F_NAME}
               COMMAND ${PROJECT_SOURCE_DIR}/cmake/run-isolated $<TARGET_FILE:${F_NAME}> ${F_CORPUS})
      set_tests_properties(fuzz_replay_${F_NAME} PROPERTIES TIMEOUT 300)
    endif()
  endif()
endfunction()
