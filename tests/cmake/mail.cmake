# The delivery tests against loopback peers (tests/peers/*.py, run by
# /usr/bin/python3) share their cases and the peer starter between the native
# test program and the Windows one, which starts the peers itself under Wine.
set(NORDA_MAIL_TESTS ${CMAKE_CURRENT_LIST_DIR}/../mail)
if(TARGET mail_peers_test)
  target_sources(mail_peers_test PRIVATE ${NORDA_MAIL_TESTS}/delivery_peer_cases.cpp
                 ${NORDA_MAIL_TESTS}/peer_server.cpp ${NORDA_MAIL_TESTS}/peer_process_posix.cpp)
endif()
if(TARGET win_mail_peers_test)
  target_sources(win_mail_peers_test PRIVATE ${NORDA_MAIL_TESTS}/delivery_peer_cases.cpp
                 ${NORDA_MAIL_TESTS}/peer_server.cpp ${NORDA_MAIL_TESTS}/peer_process_win32.cpp)
endif()
foreach(target mail_peers_test win_mail_peers_test)
  if(TARGET ${target})
    # Where the peers are when NORDA_SOURCE_DIR is not set (a test run by hand).
    target_compile_definitions(${target} PRIVATE NORDA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  endif()
endforeach()
