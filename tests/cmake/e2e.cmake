# End-to-end scenarios: the real program under Wine, driven from outside.
if(WIN32)
  add_executable(ui_driver ${CMAKE_CURRENT_SOURCE_DIR}/e2e/ui_driver.cpp)
  target_link_options(ui_driver PRIVATE -municode)
endif()

# e2e_<PREFIX><scenario> for each SCENARIOS entry "script:scenario" (tests/e2e/<script>.py).
function(norda_add_e2e)
  cmake_parse_arguments(E2E "" "PREFIX;TEMPLATE;FIXTURE;BINARY_DIR;TIMEOUT" "LAUNCHER;ENVIRONMENT;SCENARIOS"
                        ${ARGN})
  set(environment NORDA_WINE_TEMPLATE=${E2E_TEMPLATE} NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR}
                  NORDA_BINARY_DIR=${E2E_BINARY_DIR} NORDA_SETTINGS_BASE_URL=${NORDA_SETTINGS_BASE_URL}
                  NORDA_SMTP_PORT=${NORDA_SMTP_PORT} ${E2E_ENVIRONMENT})
  foreach(entry ${E2E_SCENARIOS})
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 script)
    list(GET entry 1 scenario)
    add_test(NAME e2e_${E2E_PREFIX}${scenario} COMMAND ${E2E_LAUNCHER}
             /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${script}.py ${scenario})
    set_tests_properties(e2e_${E2E_PREFIX}${scenario} PROPERTIES
      FIXTURES_REQUIRED ${E2E_FIXTURE} TIMEOUT ${E2E_TIMEOUT} SKIP_RETURN_CODE 77
      RESOURCE_LOCK norda_loopback_ports
      ENVIRONMENT "${environment}")
  endforeach()
endfunction()

# The program alone once more, with another toolchain, settings URL and cache settings.
function(norda_add_program_build name binary_dir toolchain settings_url)
  include(ExternalProject)
  ExternalProject_Add(${name}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${binary_dir}
    CMAKE_CACHE_ARGS
      -DCMAKE_TOOLCHAIN_FILE:FILEPATH=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-${toolchain}.cmake
      -DCMAKE_BUILD_TYPE:STRING=${CMAKE_BUILD_TYPE}
      -DNORDA_SETTINGS_BASE_URL:STRING=${settings_url}
      -DNORDA_REPORT_MAILBOX:STRING=${NORDA_REPORT_MAILBOX}
      -DNORDA_SMTP_PORT:STRING=${NORDA_SMTP_PORT}
      -DNORDA_MIME_BOUNDARY:STRING=${NORDA_MIME_BOUNDARY}
      ${ARGN}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${binary_dir} --target NordaErrorDialog
    BUILD_BYPRODUCTS ${binary_dir}/src/ui/NordaErrorDialog.exe
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
endfunction()

if(WIN32 AND NORDA_RUN_WINDOWS_TESTS AND TARGET NordaErrorDialog)
  set(x86_64 TEMPLATE ${NORDA_WINE_TEMPLATE} FIXTURE wine_template BINARY_DIR ${CMAKE_BINARY_DIR} TIMEOUT 300)
  norda_add_e2e(${x86_64}
    SCENARIOS run_e2e:recovery_questions run_e2e:dont_send run_e2e:dont_send_with_description run_e2e:escape
              run_e2e:close_box run_e2e:three_runs run_e2e:banner_and_about run_e2e:banner_without_version
              run_e2e:german run_e2e:chinese run_e2e:send run_e2e:send_fails
              contents_viewer:contents_choices contents_viewer:contents_header_and_send
              contents_viewer:contents_preview contents_viewer:contents_nothing_to_show
              user_folders:german_folders user_folders:folder_the_code_page_cannot_hold
              user_folders:japanese_folders)
  # The user ends the program while a server hangs.
  norda_add_e2e(${x86_64} PREFIX fault_
                SCENARIOS fault_scenarios:settings_server_hangs fault_scenarios:mail_server_hangs)
endif()

# A few scenarios of the i686 program, the build that ships, driven by the x86_64 driver;
# 32-bit Wine may run emulated (longer bounds), or not at all (they skip).
if(WIN32 AND NORDA_RUN_WINDOWS_TESTS AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND TARGET ui_driver)
  set(i686_build ${CMAKE_BINARY_DIR}/i686)
  norda_add_program_build(norda_i686_program ${i686_build} i686 ${NORDA_SETTINGS_BASE_URL})

  set(template ${CMAKE_BINARY_DIR}/wine-template-wow64)
  add_test(NAME wine_template_wow64_setup
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine/make-template.sh --wow64 ${template})
  set_tests_properties(wine_template_wow64_setup PROPERTIES
    FIXTURES_SETUP wine_template_wow64 TIMEOUT 1200 SKIP_RETURN_CODE 77)
  add_test(NAME wine_template_wow64_cleanup COMMAND ${CMAKE_COMMAND} -E rm -rf ${template})
  set_tests_properties(wine_template_wow64_cleanup PROPERTIES FIXTURES_CLEANUP wine_template_wow64)

  set(scenarios run_e2e:recovery_questions run_e2e:german run_e2e:chinese run_e2e:dont_send run_e2e:send
                contents_viewer:contents_preview)
  # A template that could not be made holds only the reason.
  set(unless_skipped [=[
if [ -f "$0/skipped" ]
then cat "$0/skipped"
     exit 77
fi
exec "$@"]=])
  norda_add_e2e(PREFIX i686_ TEMPLATE ${template} FIXTURE wine_template_wow64 BINARY_DIR ${i686_build}
                TIMEOUT 900 LAUNCHER /bin/sh -c ${unless_skipped} ${template} SCENARIOS ${scenarios}
                ENVIRONMENT NORDA_DRIVER=$<TARGET_FILE:ui_driver> NORDA_E2E_TIME_FACTOR=4)
endif()
