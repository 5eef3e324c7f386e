# End-to-end scenarios of the i686 program, the build that ships: pointer
# sizes, structure layouts, callbacks and the 32-bit system DLLs differ from
# the x86_64 build that the other Windows tests run. The x86_64 test build
# also builds the i686 program (alone, with the same loopback endpoints) under
# i686/ and runs a few scenarios of each kind against it, in a prefix that
# runs 32-bit programs, driven by the x86_64 driver.
#
# The 32-bit Wine runs emulated on machines whose kernel cannot execute 32-bit
# x86 code, several times slower: the scenarios get longer bounds, and they
# are skipped, saying why, where 32-bit Wine cannot run at all
# (scripts/install-wine32.sh sets it up).
if(WIN32 AND NORDA_RUN_WINDOWS_TESTS AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND TARGET ui_driver)
  include(ExternalProject)
  set(i686_build ${CMAKE_BINARY_DIR}/i686)
  ExternalProject_Add(norda_i686_program
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${i686_build}
    CMAKE_CACHE_ARGS
      -DCMAKE_TOOLCHAIN_FILE:FILEPATH=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake
      -DCMAKE_BUILD_TYPE:STRING=${CMAKE_BUILD_TYPE}
      -DNORDA_SETTINGS_BASE_URL:STRING=${NORDA_SETTINGS_BASE_URL}
      -DNORDA_REPORT_MAILBOX:STRING=${NORDA_REPORT_MAILBOX}
      -DNORDA_SMTP_PORT:STRING=${NORDA_SMTP_PORT}
      -DNORDA_MIME_BOUNDARY:STRING=${NORDA_MIME_BOUNDARY}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${i686_build} --target NordaErrorDialog
    BUILD_BYPRODUCTS ${i686_build}/src/ui/NordaErrorDialog.exe
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)

  set(template ${CMAKE_BINARY_DIR}/wine-template-wow64)
  add_test(NAME wine_template_wow64_setup
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine/make-template.sh --wow64 ${template})
  set_tests_properties(wine_template_wow64_setup PROPERTIES
    FIXTURES_SETUP wine_template_wow64 TIMEOUT 1200 SKIP_RETURN_CODE 77)
  add_test(NAME wine_template_wow64_cleanup COMMAND ${CMAKE_COMMAND} -E rm -rf ${template})
  set_tests_properties(wine_template_wow64_cleanup PROPERTIES FIXTURES_CLEANUP wine_template_wow64)

  # The start-up with the recovery questions, the dialog in a Western and an
  # Asian language, Don't Send with packing and the record book, Send with the
  # settings download, and the contents viewer with its previews.
  set(scenarios run_e2e:recovery_questions run_e2e:german run_e2e:chinese run_e2e:dont_send run_e2e:send
                contents_viewer:contents_preview)
  # Where the template could not be made for want of 32-bit Wine, it holds
  # only the reason, which each scenario prints when it skips.
  set(unless_skipped [=[
if [ -f "$0/skipped" ]
then cat "$0/skipped"
     exit 77
fi
exec "$@"]=])
  foreach(entry ${scenarios})
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 script)
    list(GET entry 1 scenario)
    add_test(NAME e2e_i686_${scenario}
             COMMAND /bin/sh -c ${unless_skipped} ${template}
                     /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${script}.py ${scenario})
    set_tests_properties(e2e_i686_${scenario} PROPERTIES
      FIXTURES_REQUIRED wine_template_wow64 TIMEOUT 900 SKIP_RETURN_CODE 77
      RESOURCE_LOCK norda_loopback_ports
      ENVIRONMENT "NORDA_WINE_TEMPLATE=${template};NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR};NORDA_BINARY_DIR=${i686_build};NORDA_DRIVER=$<TARGET_FILE:ui_driver>;NORDA_E2E_TIME_FACTOR=4;NORDA_SETTINGS_BASE_URL=${NORDA_SETTINGS_BASE_URL};NORDA_SMTP_PORT=${NORDA_SMTP_PORT}")
  endforeach()
endif()
