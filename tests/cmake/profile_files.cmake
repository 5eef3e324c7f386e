# The profile conformance test once more in a double-byte ANSI code page (932),
# on the files that are stored in the ANSI code page. Wine takes the code page
# from the locale variables.
if(TARGET win_profile_conformance_test)
  norda_register_wine_test(win_profile_conformance_test_cp932 win_profile_conformance_test
    ARGS "--gtest_filter=*Setting*:*ansi*:*utf8_without_bom:*zero_bytes:*missing_file:*empty_file:*one_byte")
  if(TEST win_profile_conformance_test_cp932)
    set_property(TEST win_profile_conformance_test_cp932 APPEND PROPERTY ENVIRONMENT
                 "LC_ALL=ja_JP.UTF-8" "LANG=ja_JP.UTF-8" "NORDA_EXPECT_ACP=932")
  endif()
endif()
