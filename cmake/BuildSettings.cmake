# Checks the secure delivery settings and turns them into the values that
# build_settings.h.in writes. Sets NORDA_SMTP_SECURITY_CODE (0 none, 1 starttls,
# 2 tls), NORDA_TLS_PINS (the digests in lower-case hex, ";" between them) and
# NORDA_TLS_CHANNEL (ON when the program needs a TLS channel of its own: on
# Linux always, for the native tests; on Windows only when a secure setting is
# on, so that the default Windows program imports nothing for TLS).

string(TOLOWER "${NORDA_SMTP_SECURITY}" security)
if(security STREQUAL "none")
  set(NORDA_SMTP_SECURITY_CODE 0)
elseif(security STREQUAL "starttls")
  set(NORDA_SMTP_SECURITY_CODE 1)
elseif(security STREQUAL "tls")
  set(NORDA_SMTP_SECURITY_CODE 2)
else()
  message(FATAL_ERROR "NORDA_SMTP_SECURITY is \"${NORDA_SMTP_SECURITY}\": it must be none, starttls or tls")
endif()

# Digests as "openssl x509 -fingerprint -sha256" prints them are taken too:
# colons and blanks between the hex digits are dropped.
set(NORDA_TLS_PINS "")
foreach(pin IN LISTS NORDA_TLS_CERT_SHA256)
  string(REGEX REPLACE "[: \t]" "" digits "${pin}")
  if(digits STREQUAL "")
    continue()
  endif()
  string(TOLOWER "${digits}" digits)
  if(NOT digits MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "NORDA_TLS_CERT_SHA256: \"${pin}\" is not hexadecimal")
  endif()
  string(LENGTH "${digits}" length)
  if(NOT length EQUAL 64)
    message(FATAL_ERROR "NORDA_TLS_CERT_SHA256: \"${pin}\" has ${length} hex digits, a SHA-256 has 64")
  endif()
  list(APPEND NORDA_TLS_PINS "${digits}")
endforeach()
list(JOIN NORDA_TLS_PINS ";" NORDA_TLS_PINS)

if(NOT NORDA_NETWORK_TIMEOUT_S MATCHES "^[0-9]+$" OR NORDA_NETWORK_TIMEOUT_S GREATER 86400)
  message(FATAL_ERROR
          "NORDA_NETWORK_TIMEOUT_S is \"${NORDA_NETWORK_TIMEOUT_S}\": it must be a whole number of seconds, 0 to 86400")
endif()
math(EXPR NORDA_NETWORK_TIMEOUT_S_VALUE "${NORDA_NETWORK_TIMEOUT_S}")

string(TOLOWER "${NORDA_SETTINGS_BASE_URL}" url)
if(NOT url MATCHES "^https?://[^/]")
  message(FATAL_ERROR "NORDA_SETTINGS_BASE_URL is \"${NORDA_SETTINGS_BASE_URL}\": it must begin with http:// or https://")
endif()
if(NOT NORDA_TLS_PINS STREQUAL "" AND NORDA_SMTP_SECURITY_CODE EQUAL 0 AND NOT url MATCHES "^https://")
  message(WARNING "NORDA_TLS_CERT_SHA256 is set, but neither the mail nor the settings go over TLS")
endif()

if(NOT WIN32 OR NOT NORDA_SMTP_SECURITY_CODE EQUAL 0 OR url MATCHES "^https://")
  set(NORDA_TLS_CHANNEL ON)
  set(NORDA_TLS_CHANNEL_CODE 1)
else()
  set(NORDA_TLS_CHANNEL OFF)
  set(NORDA_TLS_CHANNEL_CODE 0)
endif()
