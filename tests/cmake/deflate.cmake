# The compressor's test runs the norda-deflate tool.
if(TARGET deflate_test)
  add_dependencies(deflate_test norda-deflate)
endif()
