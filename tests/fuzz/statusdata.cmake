# Fuzz targets of the status-data library: printer replies and device-identification strings.
kv_fuzz_target(statusdata_pjl_reply ${CMAKE_CURRENT_LIST_DIR}/statusdata_pjl_reply_fuzz.cpp
               ${CMAKE_CURRENT_LIST_DIR}/corpus/pjl_reply LIBS kvstatusdata)
kv_fuzz_target(statusdata_device_id ${CMAKE_CURRENT_LIST_DIR}/statusdata_device_id_fuzz.cpp
               ${CMAKE_CURRENT_LIST_DIR}/corpus/device_id LIBS kvstatusdata)
