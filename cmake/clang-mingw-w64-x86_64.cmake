# A second compiler for the same Windows program: Debian's clang, targeting
# mingw-w64 with the headers and libraries of the GCC build (its posix
# thread model's libstdc++), linked by LLVM's lld. It only builds:
# the tests run once, on the GCC build (cmake/mingw-w64-x86_64.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORLIX_MINGW_TARGET x86_64-w64-mingw32)
set(VORLIX_MINGW_SYSROOT /usr/${VORLIX_MINGW_TARGET})
# GCC's posix-model runtime: std::mutex and std::thread need it.
set(VORLIX_MINGW_GCC_LIBS /usr/lib/gcc/${VORLIX_MINGW_TARGET}/12-posix)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${VORLIX_MINGW_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${VORLIX_MINGW_TARGET})
set(CMAKE_RC_COMPILER ${VORLIX_MINGW_TARGET}-windres)
set(CMAKE_SYSROOT ${VORLIX_MINGW_SYSROOT})

# clang finds the mingw-w64 headers in the sysroot but not GCC's C++
# library, which Debian keeps beside the compiler.
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${VORLIX_MINGW_GCC_LIBS}/include/c++ -isystem ${VORLIX_MINGW_GCC_LIBS}/include/c++/${VORLIX_MINGW_TARGET}")

set(CMAKE_FIND_ROOT_PATH ${VORLIX_MINGW_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# One static executable, as with GCC. The posix-model libstdc++ needs
# winpthreads, and it and libgcc's unwinder refer to each other: one group.
# LLVM's linker: mingw's warns at every type name that clang and GCC pad
# differently (the same name, the same type; either copy will do).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -fuse-ld=lld -L${VORLIX_MINGW_GCC_LIBS}")
set(CMAKE_CXX_STANDARD_LIBRARIES
    "-lkernel32 -luser32 -lgdi32 -lshell32 -lole32 -loleaut32 -luuid -ladvapi32 -Wl,--start-group -lstdc++ -lpthread -lgcc -lgcc_eh -Wl,--end-group"
    CACHE STRING "Libraries linked into every C++ executable")

# Not run by scripts/test, but `ctest --test-dir build/windows-clang` can run
# them under Wine when the clang build itself is in doubt.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec")

# LLVM's dlltool makes no delay-load libraries; binutils' does, and lld
# links what it makes.
set(CMAKE_DLLTOOL ${VORLIX_MINGW_TARGET}-dlltool)
