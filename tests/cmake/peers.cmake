# The tests that run Linux programs beside the program under test (the
# loopback servers of tests/peers/, run by /usr/bin/python3, and readers such
# as unzip): the delivery cases shared by the native test program and the
# Windows one, which starts the peers itself under Wine; the archive writer
# under Wine; the send flow against servers on the program's fixed loopback
# ports, which takes the ports' lock, so that no two tests listen at once.
set(NORDA_PEERS ${CMAKE_CURRENT_LIST_DIR}/../mail)
if(WIN32)
  norda_add_wine_test(win_mail_peers_test SOURCES ${NORDA_PEERS}/delivery_peer_cases.cpp LIBS norda_core)
  set(peer_tests win_mail_peers_test win_zip_windows_test)
  set(peer_process ${NORDA_PEERS}/peer_process_win32.cpp)
else()
  norda_find_gtest()
  add_executable(send_flow_test ${CMAKE_CURRENT_LIST_DIR}/../delivery/send_flow_test.cpp)
  target_link_libraries(send_flow_test PRIVATE norda_core norda_test_support ${NORDA_GTEST_LIBS})
  gtest_discover_tests(send_flow_test DISCOVERY_TIMEOUT 60
    PROPERTIES RESOURCE_LOCK norda_loopback_ports TIMEOUT 300 ENVIRONMENT "NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  target_sources(mail_peers_test PRIVATE ${NORDA_PEERS}/delivery_peer_cases.cpp ${NORDA_PEERS}/secure_peer_cases.cpp)
  set(peer_tests mail_peers_test send_flow_test)
  set(peer_process ${NORDA_PEERS}/peer_process_posix.cpp)
endif()
foreach(target ${peer_tests})
  if(TARGET ${target})
    target_sources(${target} PRIVATE ${NORDA_PEERS}/peer_server.cpp ${peer_process})
    # Where the peers are when NORDA_SOURCE_DIR is not set (a test run by hand).
    target_compile_definitions(${target} PRIVATE NORDA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  endif()
endforeach()
