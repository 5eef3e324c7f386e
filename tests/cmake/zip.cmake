# The archive writer's tests: zlib's crc32 as the data's oracle, and the
# norda-zip tool, which one native test runs.
if(TARGET zip_archive_test)
  find_package(ZLIB REQUIRED)
  target_link_libraries(zip_archive_test PRIVATE ZLIB::ZLIB)
  add_dependencies(zip_archive_test norda-zip)
endif()
