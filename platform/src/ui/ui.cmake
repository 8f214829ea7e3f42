# The window core draws text with FreeType (faces found by fontconfig) and writes pictures with libpng.
find_package(PNG REQUIRED)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
target_link_libraries(kvplatform PRIVATE PNG::PNG Freetype::Freetype Fontconfig::Fontconfig)
