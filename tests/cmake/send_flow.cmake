# The send flow against real servers on the program's fixed loopback ports, as
# it should go and through the faults a user may meet (servers that close the
# connection at each step, servers that hang): these tests take the ports'
# lock, so that no two of them listen at once.
if(NOT WIN32)
  norda_find_gtest()
  foreach(name send_flow_test send_faults_test)
    add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/../delivery/${name}.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/../mail/peer_server.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/../mail/peer_process_posix.cpp)
    target_link_libraries(${name} PRIVATE norda_core norda_test_support ${NORDA_GTEST_LIBS})
    target_compile_definitions(${name} PRIVATE NORDA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES RESOURCE_LOCK norda_loopback_ports TIMEOUT 300
                 ENVIRONMENT "NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endforeach()
endif()
