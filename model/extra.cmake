# Model data at build time: the driver data file and the two INI files are copied into the module
# folder (${KV_MODULE_DIR}/model), where hosts, set-up and tests find them beside the libraries.
set(KV_MODEL_DIR ${KV_MODULE_DIR}/model)
set(KV_MODEL_DATA_FILES kvdrvdat kvdrvmod.ini kvdrvset.ini)
set(KV_MODEL_OUTPUTS)
foreach(f ${KV_MODEL_DATA_FILES})
  add_custom_command(OUTPUT ${KV_MODEL_DIR}/${f}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KV_MODEL_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_LIST_DIR}/${f} ${KV_MODEL_DIR}/${f}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${f}
    COMMENT "Model data: ${f}")
  list(APPEND KV_MODEL_OUTPUTS ${KV_MODEL_DIR}/${f})
endforeach()
add_custom_target(kv_model_data ALL DEPENDS ${KV_MODEL_OUTPUTS})

# The model's resource libraries, one per region: "KV8350us" and "KV8350jp" (the data file names
# "KV8350us.DLL"; the driver puts the region code in place of "us").
if(COMMAND kv_resource_module)
  foreach(region us jp)
    kv_resource_module(KV8350${region} ${CMAKE_CURRENT_LIST_DIR}/resources/${region}.rc)
    add_dependencies(kv_model_data KV8350${region})
  endforeach()
  # The picture library, one for every region, named from the resource library's name: "KV83C0XX".
  kv_resource_module(KV83C0XX ${CMAKE_CURRENT_LIST_DIR}/resources/pictures.rc)
  add_dependencies(kv_model_data KV83C0XX)
endif()

# The model data test reads the model's files from the module folder.
if(TARGET common_driverdata_tests)
  add_dependencies(common_driverdata_tests kv_model_data)
endif()
