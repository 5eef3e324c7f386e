# End-to-end scenarios: the real program under Wine, driven from outside.
if(WIN32)
  add_executable(ui_driver ${CMAKE_CURRENT_SOURCE_DIR}/e2e/ui_driver.cpp)
  target_link_options(ui_driver PRIVATE -municode)
  if(NORDA_RUN_WINDOWS_TESTS AND TARGET NordaErrorDialog)
    set(scenarios recovery_questions dont_send dont_send_with_description escape close_box three_runs
                  banner_and_about banner_without_version german chinese send send_fails)
    set(contents_scenarios contents_choices contents_header_and_send contents_preview
                           contents_nothing_to_show)
    set(user_folder_scenarios german_folders folder_the_code_page_cannot_hold japanese_folders)
    foreach(scenario ${scenarios} ${contents_scenarios} ${user_folder_scenarios})
      set(script run_e2e.py)
      if(scenario IN_LIST contents_scenarios)
        set(script contents_viewer.py)
      elseif(scenario IN_LIST user_folder_scenarios)
        set(script user_folders.py)
      endif()
      add_test(NAME e2e_${scenario}
               COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${script} ${scenario})
      set_tests_properties(e2e_${scenario} PROPERTIES
        FIXTURES_REQUIRED wine_template TIMEOUT 300
        RESOURCE_LOCK norda_loopback_ports
        ENVIRONMENT "NORDA_WINE_TEMPLATE=${NORDA_WINE_TEMPLATE};NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR};NORDA_BINARY_DIR=${CMAKE_BINARY_DIR};NORDA_SETTINGS_BASE_URL=${NORDA_SETTINGS_BASE_URL};NORDA_SMTP_PORT=${NORDA_SMTP_PORT}")
    endforeach()
  endif()
endif()
