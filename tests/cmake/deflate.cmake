# The compressor tests: the plain decoder used to look inside streams, zlib as
# the decoder nobody here wrote, and the norda-deflate tool for the pipe test.
foreach(test deflate_test win_deflate_test deflate_zlib_test)
  if(TARGET ${test})
    target_sources(${test} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/core/deflate_inspector.cpp)
  endif()
endforeach()
if(TARGET deflate_zlib_test)
  find_package(ZLIB REQUIRED)
  target_link_libraries(deflate_zlib_test PRIVATE ZLIB::ZLIB)
  add_dependencies(deflate_zlib_test norda-deflate)
endif()
