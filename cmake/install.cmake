# `cmake --install` puts the three libraries in the library folder (KX_VM.so
# loads KX_VGFX.so beside itself and links the platform library beside itself),
# the public headers (the host kit included) under include/kx, kxrun and kxasm
# in bin/ (kxrun finds KX_VM.so in the library folder), a CMake package
# configuration (find_package(KXRuntime) gives KX::VM, KX::VGFX, KX::platform)
# and a pkg-config file (kx_runtime).
include(CMakePackageConfigHelpers)

install(TARGETS KX_VM KX_VGFX kx_platform
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS kxrun kxasm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/include/kx/kx_vm.h
  ${PROJECT_SOURCE_DIR}/include/kx/kx_records.h
  ${PROJECT_SOURCE_DIR}/include/kx/kx_host.h
  ${PROJECT_SOURCE_DIR}/include/kx/kx_vgfx.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kx)

set(KX_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KXRuntime)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KXRuntimeConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/KXRuntimeConfig.cmake
  INSTALL_DESTINATION ${KX_PACKAGE_DIR}
  PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/KXRuntimeConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/KXRuntimeConfig.cmake
  ${CMAKE_BINARY_DIR}/package/KXRuntimeConfigVersion.cmake DESTINATION ${KX_PACKAGE_DIR})

# pkg-config: paths relative to the .pc file's own place, so the prefix can move.
file(RELATIVE_PATH KX_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KX_PC_TO_PREFIX "${KX_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/kx_runtime.pc.in ${CMAKE_BINARY_DIR}/package/kx_runtime.pc
  @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/kx_runtime.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
