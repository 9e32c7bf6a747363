#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include "app/icon.h"
#include "support/temp_folder.h"

namespace {
class IconFromImageFile : public testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
        WriteFileBytes(folder_.path() + "images\\app.png", TinyPng());
        WriteFileBytes(folder_.path() + "not-an-image.png", "plain text, no pixels");
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

    static SIZE IconSize(HICON icon) {
        ICONINFO info = {};
        GetIconInfo(icon, &info);
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return {bitmap.bmWidth, bitmap.bmHeight};
    }

    TempFolder folder_;
    ULONG_PTR token_ = 0;
};
} // namespace

TEST_F(IconFromImageFile, LoadsAPngNamedWithEitherSlash) {
    for (const char* relative : {"images/app.png", "images\\app.png"}) {
        HICON icon = LoadIconFromImageFile(folder_.path() + relative);
        ASSERT_NE(icon, nullptr) << relative;
        SIZE size = IconSize(icon);
        EXPECT_EQ(size.cx, 16);
        EXPECT_EQ(size.cy, 16);
        DestroyIcon(icon);
    }
}

TEST_F(IconFromImageFile, FailuresGiveNull) {
    EXPECT_EQ(LoadIconFromImageFile(folder_.path() + "missing.png"), nullptr);
    EXPECT_EQ(LoadIconFromImageFile(folder_.path() + "not-an-image.png"), nullptr);
    EXPECT_EQ(LoadIconFromImageFile(folder_.path() + "images"), nullptr);
    // An absolute name is appended to the application folder, so it finds nothing.
    EXPECT_EQ(LoadIconFromImageFile(folder_.path() + folder_.path() + "images\\app.png"), nullptr);
    EXPECT_EQ(LoadIconFromImageFile(""), nullptr);
}
