# Compile time. The toolkit's and the test framework's headers take most of the time of a
# source file here, so the window layers and the test programs of several files are unity
# builds: their sources compiled as one or two files, the headers parsed once per batch. The
# conversion core and the settings layer keep one object per source file (what the core
# computes never depends on what else a compiler sees). RUNAMIKA_UNITY_BUILD=OFF compiles every
# source file on its own includes alone; the package and sanitizer presets do.
option(RUNAMIKA_UNITY_BUILD "Compile the window layers and the test programs as unity builds" ON)

# A static library's sources compile without waiting for the libraries it links (only what
# links them waits): the layers build side by side.
set(CMAKE_OPTIMIZE_DEPENDENCIES ON)

function(_runamika_unity_builds)
  if(NOT RUNAMIKA_UNITY_BUILD)
    return()
  endif()
  foreach(target forms app notices forms_tests convert_tests settings_tests desktop_support
                 test_support)
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 6)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _runamika_unity_builds)
