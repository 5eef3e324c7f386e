# Faults a user would meet while a report is sent: mail servers that close the
# connection at each step, and servers that hang. These tests run the send
# flow, natively or in the real program under Wine, against servers on the
# program's fixed loopback ports, so they take the ports' lock.
if(NOT WIN32)
  norda_find_gtest()
  add_executable(send_faults_test ${CMAKE_CURRENT_LIST_DIR}/../delivery/send_faults_test.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/../mail/peer_server.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/../mail/peer_process_posix.cpp)
  target_link_libraries(send_faults_test PRIVATE norda_core norda_test_support ${NORDA_GTEST_LIBS})
  target_compile_definitions(send_faults_test PRIVATE NORDA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(send_faults_test DISCOVERY_TIMEOUT 60
    PROPERTIES RESOURCE_LOCK norda_loopback_ports TIMEOUT 300
               ENVIRONMENT "NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endif()

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
