# kvhost also drives the common library directly (the driver data compiler of "kvhost compile").
target_link_libraries(kvhost PRIVATE kvcommon)
