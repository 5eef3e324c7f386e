# The send flow against real servers on the program's fixed loopback ports:
# these tests take the ports' lock, so that no two of them listen at once.
if(NOT WIN32)
  norda_find_gtest()
  add_executable(send_flow_test ${CMAKE_CURRENT_LIST_DIR}/../delivery/send_flow_test.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/../mail/peer_server.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/../mail/peer_process_posix.cpp)
  target_link_libraries(send_flow_test PRIVATE norda_core norda_test_support ${NORDA_GTEST_LIBS})
  target_compile_definitions(send_flow_test PRIVATE NORDA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(send_flow_test DISCOVERY_TIMEOUT 60
    PROPERTIES RESOURCE_LOCK norda_loopback_ports
               ENVIRONMENT "NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endif()
