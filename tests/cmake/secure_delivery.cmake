# The program built with STARTTLS and with TLS, https:// settings, the test certificate pinned
# and a short time-out, under tests/e2e/secure_delivery.py. The certificates are made at
# configure time: their pin goes into those builds' settings.
if(WIN32 AND NORDA_RUN_WINDOWS_TESTS AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND TARGET ui_driver
   AND NORDA_SMTP_SECURITY STREQUAL "none" AND NORDA_SETTINGS_BASE_URL MATCHES "^http://127\\.0\\.0\\.1:")
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

  set(starttls starttls_delivered starttls_not_offered certificate_not_pinned mail_server_silent
               settings_certificate_not_pinned)
  set(tls tls_delivered certificate_not_pinned_tls)
  foreach(security starttls tls)
    set(build ${CMAKE_BINARY_DIR}/secure-${security})
    norda_add_program_build(norda_${security}_program ${build} x86_64 ${https_url}
      -DNORDA_SMTP_SECURITY:STRING=${security} -DNORDA_TLS_CERT_SHA256:STRING=${pin}
      -DNORDA_NETWORK_TIMEOUT_S:STRING=${timeout})
    list(TRANSFORM ${security} PREPEND secure_delivery: OUTPUT_VARIABLE scenarios)
    norda_add_e2e(PREFIX secure_ TEMPLATE ${NORDA_WINE_TEMPLATE} FIXTURE wine_template TIMEOUT 300
                  BINARY_DIR ${build} SCENARIOS ${scenarios}
                  ENVIRONMENT NORDA_SETTINGS_BASE_URL=${https_url} NORDA_DRIVER=$<TARGET_FILE:ui_driver>
                              NORDA_TLS_CERTS=${certs} NORDA_NETWORK_TIMEOUT_S=${timeout})
  endforeach()
endif()
