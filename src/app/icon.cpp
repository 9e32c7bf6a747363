#include "app/icon.h"

// The flat API keeps GDI+ to plain C calls with explicit releases.
#include <gdiplus.h>

#include "util/text/long_path.h"
#include "util/text/text.h"

HICON LoadIconFromImageFile(const std::string& path) {
    const std::wstring longPath = ToLongPath(Utf8ToWide(path));
    Gdiplus::GpBitmap* bitmap = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromFile(longPath.c_str(), &bitmap);
    HICON icon = nullptr;
    Gdiplus::Status status = Gdiplus::GenericError;
    if (bitmap)
        status = Gdiplus::DllExports::GdipCreateHICONFromBitmap(bitmap, &icon);
    if (bitmap)
        Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return status == Gdiplus::Ok ? icon : nullptr;
}
