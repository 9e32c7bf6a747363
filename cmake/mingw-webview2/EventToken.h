// WebView2.h includes "EventToken.h"; MinGW-w64 ships it as eventtoken.h, and this file system tells case.
#include <eventtoken.h>
