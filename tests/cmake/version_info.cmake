# Small programs with and without a version resource, beside the version test.
if(WIN32)
  set(samples ${CMAKE_CURRENT_SOURCE_DIR}/windows/version_samples)
  add_executable(version_full ${samples}/tiny_main.c ${samples}/full.rc)
  add_executable(version_product_only ${samples}/tiny_main.c ${samples}/product_only.rc)
  add_executable(version_other_translation ${samples}/tiny_main.c ${samples}/other_translation.rc)
  add_executable(version_none ${samples}/tiny_main.c)
  if(TARGET win_version_info_test)
    add_dependencies(win_version_info_test version_full version_product_only
                     version_other_translation version_none)
  endif()
endif()
