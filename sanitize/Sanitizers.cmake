# Sanitizer builds. GZT_SANITIZE builds everything with AddressSanitizer (leak detection on) and
# UndefinedBehaviorSanitizer, any undefined behaviour ending the program; GZT_FUZZ builds the
# libFuzzer programs of fuzz/ with clang. Both build every program with the runtime defaults of
# SanitizerOptions.cpp and the leak suppressions of lsan.supp.
set(GZT_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)

if(GZT_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "GZT_FUZZ needs clang (libFuzzer): -DCMAKE_CXX_COMPILER=clang++")
    endif()
    # Coverage instrumentation everywhere; only the fuzz programs link libFuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link ${GZT_SANITIZER_FLAGS})
    add_link_options(-fsanitize=address,undefined)
elseif(GZT_SANITIZE)
    add_compile_options(${GZT_SANITIZER_FLAGS})
    add_link_options(-fsanitize=address,undefined)
endif()

# Adds the runtime defaults to every program defined below `dir`.
function(gzt_sanitizer_defaults dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/sanitize/SanitizerOptions.cpp)
            set_property(SOURCE ${CMAKE_SOURCE_DIR}/sanitize/SanitizerOptions.cpp
                TARGET_DIRECTORY ${target} APPEND PROPERTY COMPILE_DEFINITIONS
                GZT_LSAN_SUPPRESSIONS="${CMAKE_SOURCE_DIR}/sanitize/lsan.supp")
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir IN LISTS subdirs)
        gzt_sanitizer_defaults(${subdir})
    endforeach()
endfunction()
