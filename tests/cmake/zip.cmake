# The archive writer's native test runs the norda-zip tool.
if(TARGET zip_archive_test)
  add_dependencies(zip_archive_test norda-zip)
endif()
