# Fixture resource libraries of the configuration tests: small stand-ins for the model's resource
# library in a single-byte and a double-byte region. Tests copy them into a printer's driver folder
# under the resource library's own name.
if(COMMAND kv_resource_module)
  kv_resource_module(kvcfgfix_us ${CMAKE_CURRENT_LIST_DIR}/tests/fixtures/kvcfgfix_us.rc)
  kv_resource_module(kvcfgfix_jp ${CMAKE_CURRENT_LIST_DIR}/tests/fixtures/kvcfgfix_jp.rc)
  if(TARGET common_config_tests)
    add_dependencies(common_config_tests kvcfgfix_us kvcfgfix_jp)
  endif()
endif()
# The end-to-end settings-file test installs the model's files on a machine root.
if(TARGET common_config_tests AND TARGET kv_model_data)
  add_dependencies(common_config_tests kv_model_data)
endif()
