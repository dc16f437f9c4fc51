# Compiles through ccache when asked (the presets do) and it is installed. Paths are made
# relative to the source folder, so two clones of the project share what is cached; the
# precompiled headers need the sloppiness below to be cached at all.
option(BW_CCACHE "Compile through ccache when it is installed" OFF)
if(BW_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(BW_CCACHE_PROGRAM ccache)
  if(BW_CCACHE_PROGRAM)
    set(BW_CCACHE_LAUNCHER env
      CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
      CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=true ${BW_CCACHE_PROGRAM})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${BW_CCACHE_LAUNCHER})
    set(CMAKE_C_COMPILER_LAUNCHER ${BW_CCACHE_LAUNCHER})
  endif()
endif()
