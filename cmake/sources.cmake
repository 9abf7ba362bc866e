# Source convention: in the subsystem folders, foo.cpp is platform-free and builds natively and
# for Win32 (library kv_portable); foo_win32.cpp calls Win32 and builds only in the cross build
# (library kv_win32). core/main_win32.cpp holds the entry point and belongs to the installer alone.
set(KV_SUBSYSTEMS core ui env payload log install uninstall services)

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
if(WIN32)
    # Small programs: the code never throws nor asks for a type at run time, so neither the
    # exception tables nor the type records are needed; one thread, so statics need no guard.
    # Unused functions and data are dropped at link time.
    add_compile_options(-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables
        "$<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions;-fno-rtti;-fno-threadsafe-statics>")
    add_link_options(-Wl,--gc-sections)
endif()

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
    # Only libraries that every Windows keeps in its system folder and loads from there: any other
    # (COMCTL32 among them) is loaded at run time by full path, never through the import table.
    target_link_libraries(kv_win32 PUBLIC kv_portable
        ole32 oleaut32 shell32 comdlg32 gdi32 user32 advapi32 kernel32)
endif()

# The toolchain's headers are those of the oldest Windows the shipped programs start on. Test
# programs and tools never ship and run under Wine only: in their folders the newer calls are
# declared as well.
macro(kv_test_program_headers)
    add_compile_options(-U_WIN32_WINNT -UWINVER -U_WIN32_IE
        -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -D_WIN32_IE=0x0600)
endmacro()

if(WIN32)
    # The Wine prefix every Win32 test starts from: made once per test run (fixture
    # wine_template), copied for each test.
    set(KV_WINE_TEMPLATE "${CMAKE_BINARY_DIR}/wine-template")
    # A 64-bit build (the lab build) runs in a 64-bit prefix under 64-bit Wine.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        file(WRITE "${KV_WINE_TEMPLATE}/arch" "win64\n")
    else()
        file(WRITE "${KV_WINE_TEMPLATE}/arch" "win32\n")
    endif()
endif()
