# Windows builds (native or cross-built with mingw-w64): statically linked executables, so a
# user copies veltra.exe and the engines and nothing else; the workbook library's own
# dependency (zlib) linked explicitly, since a static libxlsxwriter does not bring it along.
if(NOT WIN32)
  return()
endif()

add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)
if(MINGW)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(TARGET veltra_output AND XLSXWRITER_LIB AND XLSXWRITER_INCLUDE)
  find_library(VELTRA_ZLIB NAMES libz.a libzlibstatic.a z zlib)
  if(VELTRA_ZLIB)
    target_link_libraries(veltra_output PUBLIC ${VELTRA_ZLIB})
  endif()
endif()
