# The resources test links the resources it reads; it runs again under other
# user interface languages (Wine takes them from LC_ALL), and under Japanese it
# measures the Chinese, Japanese and Korean dialogs with a font that has them.
if(WIN32)
  target_link_libraries(win_resources_test PRIVATE norda_resources comctl32 version)
  foreach(run "de_AT.UTF-8=0407" "ja_JP.UTF-8=0411" "nl_NL.UTF-8=0409")
    string(REPLACE "=" ";" parts ${run})
    list(GET parts 0 locale)
    list(GET parts 1 expected)
    string(REGEX REPLACE "\\..*" "" name ${locale})
    norda_register_wine_test(win_resources_language_${name} win_resources_test
                             ARGS --gtest_filter=LanguageChoice.*:*TextsFitTheirControls*)
    if(TEST win_resources_language_${name})
      set_property(TEST win_resources_language_${name} APPEND PROPERTY ENVIRONMENT
                   "LC_ALL=${locale}" "LANG=${locale}" "NORDA_EXPECTED_LANGUAGE=${expected}")
    endif()
  endforeach()
endif()
