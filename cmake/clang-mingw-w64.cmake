# The Windows build by clang instead of GCC: Debian's MinGW-w64 headers,
# libraries and linker, with the C++ library of its GCC (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_RC_COMPILER ${triple}-windres)
# Clang does not find the C++ library of Debian's MinGW GCC, which lives in a
# folder named after the GCC version and thread model (12-posix).
file(GLOB gcc_dirs LIST_DIRECTORIES true /usr/lib/gcc/${triple}/*-posix)
list(SORT gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET gcc_dirs 0 gcc_dir)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${gcc_dir}/include/c++ ${gcc_dir}/include/c++/${triple}
                                           ${gcc_dir}/include/c++/backward)
set(CMAKE_EXE_LINKER_FLAGS_INIT -L${gcc_dir})
# After every object: the static C++ library, then the threads it uses.
set(CMAKE_CXX_STANDARD_LIBRARIES "-lstdc++ -lpthread")
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
