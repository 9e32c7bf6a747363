# The decoders of precompressed files: zlib (Debian's, for the native and the
# MinGW build) and Google's Brotli decoder, built here from the sources that
# scripts/brotli-source fetched and checked.
set(QUORRIN_BROTLI_SOURCE ${PROJECT_SOURCE_DIR}/build/brotli/brotli-1.0.9/c
    CACHE PATH "The c/ folder of Brotli's sources")
if(NOT EXISTS ${QUORRIN_BROTLI_SOURCE}/dec/decode.c)
  message(FATAL_ERROR "Brotli's sources are missing in ${QUORRIN_BROTLI_SOURCE}: run scripts/setup")
endif()
add_library(brotli_decoder STATIC
  ${QUORRIN_BROTLI_SOURCE}/common/constants.c
  ${QUORRIN_BROTLI_SOURCE}/common/context.c
  ${QUORRIN_BROTLI_SOURCE}/common/dictionary.c
  ${QUORRIN_BROTLI_SOURCE}/common/platform.c
  ${QUORRIN_BROTLI_SOURCE}/common/transform.c
  ${QUORRIN_BROTLI_SOURCE}/dec/bit_reader.c
  ${QUORRIN_BROTLI_SOURCE}/dec/decode.c
  ${QUORRIN_BROTLI_SOURCE}/dec/huffman.c
  ${QUORRIN_BROTLI_SOURCE}/dec/state.c
)
# The static dictionary is not compiled in as it is: it goes in deflated and is
# inflated with zlib when first needed (content/brotli_dictionary.cpp).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QUORRIN_BROTLI_DICTIONARY ${CMAKE_BINARY_DIR}/brotli_dictionary_deflated.c)
add_custom_command(OUTPUT ${QUORRIN_BROTLI_DICTIONARY}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/deflate_brotli_dictionary.py
          ${QUORRIN_BROTLI_SOURCE}/common/dictionary.c ${QUORRIN_BROTLI_DICTIONARY}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/deflate_brotli_dictionary.py
          ${QUORRIN_BROTLI_SOURCE}/common/dictionary.c)
target_sources(brotli_decoder PRIVATE ${QUORRIN_BROTLI_DICTIONARY})
target_compile_definitions(brotli_decoder PUBLIC BROTLI_EXTERNAL_DICTIONARY_DATA)
target_include_directories(brotli_decoder SYSTEM PUBLIC ${QUORRIN_BROTLI_SOURCE}/include
                           ${QUORRIN_BROTLI_SOURCE})
# Its code as its authors keep it: our warning flags are not theirs. Unaligned
# reads through memcpy, which the sanitizers accept and compilers make one load.
target_compile_options(brotli_decoder PRIVATE -w)
target_compile_definitions(brotli_decoder PRIVATE BROTLI_BUILD_PORTABLE)
# Smaller rather than faster: the program stays under 1 MiB.
target_compile_options(brotli_decoder PRIVATE -O2)

# The static library, so that Quorrin.exe imports no zlib DLL. Its header is in
# each compiler's own system folder.
find_library(QUORRIN_ZLIB NAMES libz.a z REQUIRED)
