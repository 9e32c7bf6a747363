# The vendor's WebView2 SDK (NuGet package Microsoft.Web.WebView2, its build/native
# folder): WebView2.h, the x64 WebView2Loader.dll and its import library.
# scripts/webview2-sdk restores the pinned version and links it where the default points.
set(QUORRIN_WEBVIEW2_SDK ${PROJECT_SOURCE_DIR}/build/webview2-sdk/native
    CACHE PATH "The WebView2 SDK's build/native folder")
# Older build trees cached an empty value here, which meant "our own declarations".
if(NOT QUORRIN_WEBVIEW2_SDK)
  set(QUORRIN_WEBVIEW2_SDK ${PROJECT_SOURCE_DIR}/build/webview2-sdk/native
      CACHE PATH "The WebView2 SDK's build/native folder" FORCE)
endif()
if(NOT EXISTS ${QUORRIN_WEBVIEW2_SDK}/include/WebView2.h)
  message(FATAL_ERROR "No WebView2 SDK in ${QUORRIN_WEBVIEW2_SDK}: run scripts/webview2-sdk, "
                      "or set QUORRIN_WEBVIEW2_SDK to the package's build/native folder")
endif()

# The header alone (the stand-in runtime implements it), and with the loader (the host).
add_library(webview2_headers INTERFACE)
target_include_directories(webview2_headers SYSTEM INTERFACE ${QUORRIN_WEBVIEW2_SDK}/include)
if(MINGW)
  target_include_directories(webview2_headers SYSTEM INTERFACE ${CMAKE_CURRENT_LIST_DIR}/mingw-webview2)
endif()
add_library(webview2_sdk INTERFACE)

# The vendor's loader for x64, linked by its import library and copied where
# the packaging and the tests take it from (the stand-in's loader is bin/WebView2Loader.dll).
set(WEBVIEW2_VENDOR_LOADER ${QUORRIN_WEBVIEW2_SDK}/x64/WebView2Loader.dll)
target_link_libraries(webview2_sdk INTERFACE webview2_headers
                      ${QUORRIN_WEBVIEW2_SDK}/x64/WebView2Loader.dll.lib)
configure_file(${WEBVIEW2_VENDOR_LOADER}
               ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/vendor-loader/WebView2Loader.dll
               COPYONLY)
