# Faults a user would meet while a report is sent: mail servers that close the
# connection at each step, and servers that hang. The native tests run the
# send flow on the program's fixed loopback ports, so they take the ports' lock.
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
