#include "message_box.h"

#include <cstdint>
#include <cstdlib>

#include "host_process.h"
#include "screen.h"

namespace {
struct Children {
    std::vector<HWND> all;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
    reinterpret_cast<Children*>(context)->all.push_back(child);
    return TRUE;
}

bool IsIconStatic(HWND control) {
    return ClassNameOf(control) == L"Static" &&
           (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

double MeanDifference(const Pixels& a, const Pixels& b) {
    double total = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            total += std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
    return a.empty() ? 1e9 : total / (a.size() * 3);
}

// Which standard icon the control shows, judged by its pixels on screen against
// each standard icon drawn on the same background.
IconKind ClassifyIcon(HWND control) {
    RECT bounds;
    GetWindowRect(control, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0)
        return IconKind::Unrecognised;
    Pixels shot = CaptureScreen(bounds);
    const uint32_t corner = shot[0];
    const COLORREF background = RGB((corner >> 16) & 0xFF, (corner >> 8) & 0xFF, corner & 0xFF);

    struct Candidate {
        IconKind kind;
        const wchar_t* id;
    } candidates[] = {{IconKind::Error, IDI_ERROR},
                      {IconKind::Warning, IDI_WARNING},
                      {IconKind::Information, IDI_INFORMATION},
                      {IconKind::Question, IDI_QUESTION}};
    IconKind best = IconKind::Unrecognised;
    double bestDifference = 1e9, runnerUp = 1e9;
    for (const Candidate& candidate : candidates) {
        HICON icon = LoadIconW(nullptr, candidate.id);
        double difference = MeanDifference(shot, DrawIconOn(width, height, icon, background));
        if (difference < bestDifference) {
            runnerUp = bestDifference;
            bestDifference = difference;
            best = candidate.kind;
        } else if (difference < runnerUp) {
            runnerUp = difference;
        }
    }
    // A clear match only: near-identical pixels, and no other icon as close (Wine's
    // information and question icons differ by a mean of about 5 per channel).
    return bestDifference < 1.0 && runnerUp > 4.0 ? best : IconKind::Unrecognised;
}
} // namespace

const char* NameOf(IconKind kind) {
    switch (kind) {
    case IconKind::None:
        return "none";
    case IconKind::Error:
        return "error";
    case IconKind::Warning:
        return "warning";
    case IconKind::Information:
        return "information";
    case IconKind::Question:
        return "question";
    case IconKind::Unrecognised:
        return "unrecognised";
    }
    return "?";
}

MessageBoxView ReadMessageBox(HWND dialog) {
    MessageBoxView box;
    box.window = dialog;
    box.caption = TextOf(dialog);
    box.hasOwner = GetWindow(dialog, GW_OWNER) != nullptr;
    Children children;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
    HWND iconControl = nullptr;
    for (HWND child : children.all) {
        if (!IsWindowVisible(child))
            continue;
        std::wstring className = ClassNameOf(child);
        if (className == L"Button")
            box.buttons.push_back(TextOf(child));
        else if (IsIconStatic(child))
            iconControl = child;
        else if (className == L"Static" && !TextOf(child).empty())
            box.text = TextOf(child);
    }
    if (iconControl) {
        WaitUntil([&] { return (box.icon = ClassifyIcon(iconControl)) != IconKind::Unrecognised; },
                  5000);
    }
    return box;
}

bool PressButton(const MessageBoxView& box, const std::wstring& label) {
    Children children;
    EnumChildWindows(box.window, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children.all) {
        if (ClassNameOf(child) == L"Button" && IsWindowVisible(child) && TextOf(child) == label) {
            PostMessageW(child, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}
