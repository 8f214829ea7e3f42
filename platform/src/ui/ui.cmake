# The window core draws text with FreeType and writes pictures with libpng.
find_package(PNG REQUIRED)
find_package(Freetype REQUIRED)
target_link_libraries(kvplatform PRIVATE PNG::PNG Freetype::Freetype)
