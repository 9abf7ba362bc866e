# What every program that the installer ships (or is) gets: the lean runtime stand-ins (see
# runtime/lean_runtime_win32.cpp) and no symbols.
add_library(kv_lean_runtime OBJECT "${PROJECT_SOURCE_DIR}/runtime/lean_runtime_win32.cpp")

function(kv_shipped_program target)
    target_link_libraries(${target} PRIVATE kv_lean_runtime)
    target_link_options(${target} PRIVATE -s)
endfunction()

# The version the resources give; the resource test holds it against the installer's own text.
set(KV_PRODUCT_VERSION 1.20.1.0)

# The programs' icon, drawn at build time (tools/app_icon.cpp).
set(KV_ICON_FILE "${CMAKE_BINARY_DIR}/resources/kavento.ico")
add_custom_command(OUTPUT "${KV_ICON_FILE}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/resources"
    COMMAND "${KVICON}" "${KV_ICON_FILE}"
    DEPENDS host_tools "${KVICON}"
    COMMENT "Drawing the programs' icon"
    VERBATIM)
add_custom_target(program_icon DEPENDS "${KV_ICON_FILE}")

# kv_program_resources(TARGET FILE_NAME DESCRIPTION [ICON]): icon resource 1 (with ICON), the
# version record and a manifest that asks for administrator rights, which installing into and
# removing from Program Files and HKEY_LOCAL_MACHINE need; without it Windows Vista and later
# elevate only by guessing from the file name. The manifest holds nothing else: a dependency on
# the version 6 common controls would change the look, DPI awareness the layout, and supportedOS
# entries the version that GetVersionEx reports, on which the system check and the document
# types' registry layout depend. Windows before XP ignore the resource; XP ignores the trustInfo
# element in its own namespace (declared once: XP SP2 crashes on an element that names two).
function(kv_program_resources target file_name description)
    set(KV_RC_FILE "${file_name}")
    get_filename_component(KV_RC_NAME "${file_name}" NAME_WE)
    set(KV_RC_DESCRIPTION "${description}")
    set(KV_RC_VERSION "${KV_PRODUCT_VERSION}")
    string(REPLACE "." "," KV_RC_VERSION_COMMAS "${KV_PRODUCT_VERSION}")
    set(folder "${CMAKE_BINARY_DIR}/resources/${target}")
    set(KV_RC_MANIFEST "${folder}/program.manifest")
    configure_file("${PROJECT_SOURCE_DIR}/resources/administrator.manifest.in" "${KV_RC_MANIFEST}"
        @ONLY)
    set(depends "${KV_RC_MANIFEST}")
    set(KV_RC_ICON "")
    if(ARGN STREQUAL "ICON")
        set(KV_RC_ICON "1 ICON \"${KV_ICON_FILE}\"")
        list(APPEND depends "${KV_ICON_FILE}")
        add_dependencies(${target} program_icon)
    endif()
    configure_file("${PROJECT_SOURCE_DIR}/resources/program.rc.in" "${folder}/program.rc" @ONLY)
    target_sources(${target} PRIVATE "${folder}/program.rc")
    set_source_files_properties("${folder}/program.rc" PROPERTIES OBJECT_DEPENDS "${depends}")
    # A program that asks for administrator rights is the one whose signature the prompt shows.
    kv_sign_program(${target} "${description}")
endfunction()
