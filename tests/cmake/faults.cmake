# The real program under Wine, ended by the user while a server hangs.
if(WIN32 AND NORDA_RUN_WINDOWS_TESTS AND TARGET NordaErrorDialog AND TARGET ui_driver)
  foreach(scenario settings_server_hangs mail_server_hangs)
    add_test(NAME e2e_fault_${scenario}
             COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/fault_scenarios.py ${scenario})
    set_tests_properties(e2e_fault_${scenario} PROPERTIES
      FIXTURES_REQUIRED wine_template TIMEOUT 300
      RESOURCE_LOCK norda_loopback_ports
      ENVIRONMENT "NORDA_WINE_TEMPLATE=${NORDA_WINE_TEMPLATE};NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR};NORDA_BINARY_DIR=${CMAKE_BINARY_DIR};NORDA_SETTINGS_BASE_URL=${NORDA_SETTINGS_BASE_URL};NORDA_SMTP_PORT=${NORDA_SMTP_PORT}")
  endforeach()
endif()
