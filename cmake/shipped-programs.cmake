# What every program that the installer ships (or is) gets: the lean runtime stand-ins (see
# runtime/lean_runtime_win32.cpp) and no symbols.
add_library(kv_lean_runtime OBJECT "${PROJECT_SOURCE_DIR}/runtime/lean_runtime_win32.cpp")

function(kv_shipped_program target)
    target_link_libraries(${target} PRIVATE kv_lean_runtime)
    target_link_options(${target} PRIVATE -s)
endfunction()
