# Builds the probe, the simulator and the tests for 32-bit x86 Linux, the platform the
# probe is deployed on, with the host's compiler and Debian's multilib runtime (g++-multilib);
# gcc by default, clang with CC=clang CXX=clang++.
#
#   cmake -S . -B build/i386 -DCMAKE_TOOLCHAIN_FILE=cmake/i386-linux-gnu.cmake \
#         -DFABRICPROBE_I386_SYSROOT=<dir>
#
# Debian's i386 SNIA HBA API cannot be installed beside the host's (both use /usr/lib),
# so it is unpacked into a private tree (scripts/deps.sh i386 <dir>) and used from there;
# the binaries find it again through their run path. Everything else comes from Debian's
# i386 multiarch packages.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

set(FABRICPROBE_I386_SYSROOT "" CACHE PATH "Tree holding the unpacked i386 libhbaapi2 and libhbaapi-dev")
if(FABRICPROBE_I386_SYSROOT)
  set(HBAAPI_INCLUDE_DIR "${FABRICPROBE_I386_SYSROOT}/usr/include" CACHE PATH "" FORCE)
  set(HBAAPI_LIBRARY "${FABRICPROBE_I386_SYSROOT}/usr/lib/libHBAAPI.so" CACHE FILEPATH "" FORCE)
  set(CMAKE_INSTALL_RPATH "${FABRICPROBE_I386_SYSROOT}/usr/lib")
endif()
