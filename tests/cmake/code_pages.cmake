# The packing test once more in a double-byte ANSI code page (932), for the
# names whose characters end in the byte of "\". Wine takes the code page from
# the locale variables.
if(TARGET win_report_packing_windows_test)
  norda_register_wine_test(win_report_packing_windows_test_cp932 win_report_packing_windows_test
    ARGS "--gtest_filter=DoubleByteNames.*")
  if(TEST win_report_packing_windows_test_cp932)
    set_property(TEST win_report_packing_windows_test_cp932 APPEND PROPERTY ENVIRONMENT
                 "LC_ALL=ja_JP.UTF-8" "LANG=ja_JP.UTF-8" "NORDA_EXPECT_ACP=932")
  endif()
endif()
