# The program's own controls on real windows, under Wine.
if(WIN32 AND TARGET norda_ui)
  norda_add_wine_test(win_xlist_ctrl_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ui/xlist_ctrl_test.cpp
                      LIBS norda_ui norda_resources)
endif()
