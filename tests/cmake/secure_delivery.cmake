# The real program built with secure delivery turned on, under Wine: the
# default x86_64 test build also builds the program alone with STARTTLS (and
# one with TLS from the first byte), the settings over https://, the test
# server certificate pinned and a time-out of a few seconds, and runs
# tests/e2e/secure_delivery.py against it. The certificates are made here, at
# configure time, because their pin goes into those builds' settings.
if(WIN32 AND NORDA_RUN_WINDOWS_TESTS AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND TARGET ui_driver
   AND NORDA_SMTP_SECURITY STREQUAL "none" AND NORDA_SETTINGS_BASE_URL MATCHES "^http://127\\.0\\.0\\.1:")
  include(ExternalProject)
  set(certs ${CMAKE_BINARY_DIR}/secure-certs)
  if(NOT EXISTS ${certs}/server.sha256)
    file(MAKE_DIRECTORY ${certs})
    execute_process(COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/peers/make_certs.sh ${certs} RESULT_VARIABLE made)
    if(NOT made EQUAL 0)
      message(FATAL_ERROR "tests/peers/make_certs.sh could not make the test certificates")
    endif()
  endif()
  file(READ ${certs}/server.sha256 pin)
  string(STRIP "${pin}" pin)
  string(REPLACE "http://" "https://" https_url "${NORDA_SETTINGS_BASE_URL}")
  set(timeout 5)

  foreach(security starttls tls)
    set(secure_build ${CMAKE_BINARY_DIR}/secure-${security})
    ExternalProject_Add(norda_${security}_program
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${secure_build}
      CMAKE_CACHE_ARGS
        -DCMAKE_TOOLCHAIN_FILE:FILEPATH=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-x86_64.cmake
        -DCMAKE_BUILD_TYPE:STRING=${CMAKE_BUILD_TYPE}
        -DNORDA_SETTINGS_BASE_URL:STRING=${https_url}
        -DNORDA_REPORT_MAILBOX:STRING=${NORDA_REPORT_MAILBOX}
        -DNORDA_SMTP_PORT:STRING=${NORDA_SMTP_PORT}
        -DNORDA_MIME_BOUNDARY:STRING=${NORDA_MIME_BOUNDARY}
        -DNORDA_SMTP_SECURITY:STRING=${security}
        -DNORDA_TLS_CERT_SHA256:STRING=${pin}
        -DNORDA_NETWORK_TIMEOUT_S:STRING=${timeout}
      BUILD_COMMAND ${CMAKE_COMMAND} --build ${secure_build} --target NordaErrorDialog
      BUILD_BYPRODUCTS ${secure_build}/src/ui/NordaErrorDialog.exe
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON)
  endforeach()

  # scenario:build it runs in
  set(scenarios starttls_delivered:starttls tls_delivered:tls starttls_not_offered:starttls
                certificate_not_pinned:starttls certificate_not_pinned_tls:tls mail_server_silent:starttls
                settings_certificate_not_pinned:starttls)
  foreach(entry ${scenarios})
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 scenario)
    list(GET entry 1 security)
    add_test(NAME e2e_secure_${scenario}
             COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/secure_delivery.py ${scenario})
    set_tests_properties(e2e_secure_${scenario} PROPERTIES
      FIXTURES_REQUIRED wine_template TIMEOUT 300
      RESOURCE_LOCK norda_loopback_ports
      ENVIRONMENT "NORDA_WINE_TEMPLATE=${NORDA_WINE_TEMPLATE};NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR};NORDA_BINARY_DIR=${CMAKE_BINARY_DIR}/secure-${security};NORDA_DRIVER=$<TARGET_FILE:ui_driver>;NORDA_SETTINGS_BASE_URL=${https_url};NORDA_SMTP_PORT=${NORDA_SMTP_PORT};NORDA_TLS_CERTS=${certs};NORDA_NETWORK_TIMEOUT_S=${timeout}")
  endforeach()
endif()
