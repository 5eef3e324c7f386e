# The resources test reads the program's resources from its own executable,
# so it links them; it runs once in the test prefix's language and again
# under other user interface languages for the language choice (and, under
# Japanese, to measure the Chinese, Japanese and Korean dialogs with a font
# that has their glyphs). Wine takes the user interface language from LC_ALL
# (LANG alone is not enough here).
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
