# Options every target of the project shares.
add_library(vorn_options INTERFACE)
target_compile_features(vorn_options INTERFACE cxx_std_20)
target_compile_options(vorn_options INTERFACE -Wall -Wextra)
# Every byte <-> QString edge must name its encoding: our bytes are CP932.
target_compile_definitions(vorn_options INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT)
target_include_directories(vorn_options INTERFACE ${PROJECT_SOURCE_DIR})
