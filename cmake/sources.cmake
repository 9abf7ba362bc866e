# Source convention: in the subsystem folders, foo.cpp is platform-free and builds natively and
# for Win32 (library kv_portable); foo_win32.cpp calls Win32 and builds only in the cross build
# (library kv_win32). core/main_win32.cpp holds the entry point and belongs to the installer alone.
set(KV_SUBSYSTEMS core ui env payload engine services)

set(kv_portable_sources "")
set(kv_win32_sources "")
foreach(dir IN LISTS KV_SUBSYSTEMS)
    file(GLOB found CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${dir}/*.cpp")
    foreach(f IN LISTS found)
        if(f MATCHES "_win32\\.cpp$")
            list(APPEND kv_win32_sources "${f}")
        else()
            list(APPEND kv_portable_sources "${f}")
        endif()
    endforeach()
endforeach()
list(REMOVE_ITEM kv_win32_sources "${PROJECT_SOURCE_DIR}/core/main_win32.cpp")

# Builds must not depend on where the checkout lives.
add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=" -Wall -Wextra -Wno-unused-parameter)

if(NOT WIN32)
    set(KV_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()

add_library(kv_portable STATIC ${kv_portable_sources})
target_include_directories(kv_portable PUBLIC "${PROJECT_SOURCE_DIR}")
if(NOT WIN32)
    target_compile_options(kv_portable PUBLIC ${KV_SANITIZE} -g -O1)
    target_link_options(kv_portable PUBLIC ${KV_SANITIZE})
endif()

if(WIN32)
    add_library(kv_win32 STATIC ${kv_win32_sources})
    target_link_libraries(kv_win32 PUBLIC kv_portable
        ole32 oleaut32 uuid shell32 comctl32 comdlg32 gdi32 user32 advapi32 kernel32)
endif()

if(WIN32)
    # The Wine prefix every Win32 test starts from: made once per test run (fixture
    # wine_template), copied for each test.
    set(KV_WINE_TEMPLATE "${CMAKE_BINARY_DIR}/wine-template")
endif()
