add_library(bw_warnings INTERFACE)
if(MSVC)
  target_compile_options(bw_warnings INTERFACE /W4 /permissive- $<$<BOOL:${BW_WERROR}>:/WX>)
else()
  target_compile_options(bw_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wold-style-cast -Wcast-align -Wimplicit-fallthrough -Wnull-dereference
    -Wconversion -Wsign-conversion -Wdouble-promotion -Wformat=2
    $<$<BOOL:${BW_WERROR}>:-Werror>)
endif()

# Keeps the plain C++ libraries free of Qt (and, for core/library, of SDL).
function(bw_forbid_qt target)
  get_target_property(libs ${target} LINK_LIBRARIES)
  foreach(lib IN LISTS libs)
    if(lib MATCHES "^Qt[0-9]*::" OR lib MATCHES "^SDL2")
      message(FATAL_ERROR "${target} must not link ${lib}: keep Qt in ui/ and app/, SDL in bw_audio_sdl")
    endif()
  endforeach()
endfunction()
