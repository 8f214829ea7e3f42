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
