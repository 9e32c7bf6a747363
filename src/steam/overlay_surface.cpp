#include "steam/overlay_surface.h"

#include <algorithm>

#include "util/log/author_log.h"
#include "util/window_class.h"

namespace {
constexpr wchar_t kClassName[] = L"QuorrinOverlaySurface";
constexpr UINT_PTR kFrameTimerId = 1;

// Once a frame of the display the owner is on; 60 Hz when the display says nothing.
UINT FrameIntervalMs(HWND owner) {
    MONITORINFOEXW monitor = {};
    monitor.cbSize = sizeof(monitor);
    DEVMODEW mode = {};
    mode.dmSize = sizeof(mode);
    DWORD hertz = 60;
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor) &&
        EnumDisplaySettingsW(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode) &&
        mode.dmDisplayFrequency > 1)
        hertz = mode.dmDisplayFrequency;
    return std::max<UINT>(USER_TIMER_MINIMUM, 1000 / hertz);
}

RECT ClientAreaOnScreen(HWND owner) {
    RECT area = {};
    GetClientRect(owner, &area);
    MapWindowPoints(owner, nullptr, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

// A hardware device where there is one, else the WARP rasteriser.
HRESULT CreateDevice(com_ptr<ID3D11Device>& device, com_ptr<ID3D11DeviceContext>& context) {
    HRESULT result = E_FAIL;
    for (D3D_DRIVER_TYPE driver : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}) {
        result = D3D11CreateDevice(nullptr, driver, nullptr, D3D11_CREATE_DEVICE_BGRA_SUPPORT,
                                   nullptr, 0, D3D11_SDK_VERSION, device.put(), nullptr,
                                   context.put());
        if (SUCCEEDED(result))
            return result;
    }
    return result;
}
} // namespace

OverlaySurface::OverlaySurface(HWND owner) : owner_(owner) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW known = {};
    if (!GetClassInfoW(instance, kClassName, &known) &&
        !RegisterHostWindowClass(instance, kClassName, Procedure, nullptr,
                                 static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)))) {
        LogForAuthor("Steam's overlay has no surface: RegisterClassW failed");
        return;
    }
    // Never activated by a click: only the host gives it the input, while the overlay is open.
    window_ = ScopedWindow(CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kClassName, L"",
                                           WS_POPUP, 0, 0, 1, 1, owner, nullptr, instance,
                                           this));
    if (!window_.get()) {
        LogForAuthor("Steam's overlay has no surface: CreateWindowExW failed");
        return;
    }
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (!MakeSwapChain())
        swapChain_ = {};
}

OverlaySurface::~OverlaySurface() {
    if (window_.get()) {
        KillTimer(window_.get(), kFrameTimerId);
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    }
}

bool OverlaySurface::MakeSwapChain() {
    HRESULT result = CreateDevice(device_, context_);
    LogIfFailed("D3D11CreateDevice", result);
    com_ptr<IDXGIDevice> dxgiDevice;
    com_ptr<IDXGIAdapter> adapter;
    com_ptr<IDXGIFactory2> factory;
    if (SUCCEEDED(result))
        result = device_->QueryInterface(__uuidof(IDXGIDevice),
                                         reinterpret_cast<void**>(dxgiDevice.put()));
    if (SUCCEEDED(result))
        result = dxgiDevice->GetAdapter(adapter.put());
    if (SUCCEEDED(result))
        result = adapter->GetParent(__uuidof(IDXGIFactory2), reinterpret_cast<void**>(factory.put()));
    if (FAILED(result)) {
        LogIfFailed("the overlay surface's DXGI factory", result);
        return false;
    }
    DXGI_SWAP_CHAIN_DESC1 description = {};
    description.Width = buffers_.cx = 1;
    description.Height = buffers_.cy = 1;
    description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    description.BufferCount = 2;
    description.SwapEffect = DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL;
    result = factory->CreateSwapChainForHwnd(device_.get(), window_.get(), &description, nullptr,
                                             nullptr, swapChain_.put());
    LogIfFailed("CreateSwapChainForHwnd", result);
    // The player's Alt+Enter is the page's full screen, not DXGI's.
    if (SUCCEEDED(result))
        LogIfFailed("MakeWindowAssociation",
                    factory->MakeWindowAssociation(window_.get(), DXGI_MWA_NO_ALT_ENTER));
    return SUCCEEDED(result);
}

void OverlaySurface::Show(const PagePixels& still) {
    if (!Ready())
        return;
    TakeStill(still);
    shown_ = true;
    if (!FollowOwner())
        return; // minimised: shown once the owner is restored
    ShowWindow(window_.get(), SW_SHOWNA);
    SetForegroundWindow(window_.get());
    SetFocus(window_.get());
    PresentFrame();
    if (!SetTimer(window_.get(), kFrameTimerId, FrameIntervalMs(owner_), nullptr))
        LogForAuthor("Steam's overlay surface cannot present: SetTimer failed");
}

void OverlaySurface::Hide() {
    if (!shown_)
        return;
    shown_ = false;
    KillTimer(window_.get(), kFrameTimerId);
    ShowWindow(window_.get(), SW_HIDE);
    if (GetForegroundWindow() == window_.get() || GetForegroundWindow() == nullptr)
        SetForegroundWindow(owner_);
    still_ = {};
}

void OverlaySurface::TakeStill(const PagePixels& still) {
    still_ = {};
    if (still.width <= 0 || still.height <= 0 ||
        still.bgra.size() != static_cast<size_t>(still.width) * still.height * 4)
        return; // the overlay shows over black
    D3D11_TEXTURE2D_DESC description = {};
    description.Width = static_cast<UINT>(still.width);
    description.Height = static_cast<UINT>(still.height);
    description.MipLevels = 1;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.Usage = D3D11_USAGE_IMMUTABLE;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA pixels = {still.bgra.data(), static_cast<UINT>(still.width) * 4, 0};
    LogIfFailed("the overlay surface's still",
                device_->CreateTexture2D(&description, &pixels, still_.put()));
}

// Exactly over the owner's client area, with buffers of its size; false while
// the owner is minimised (nothing to cover, nothing to present).
bool OverlaySurface::FollowOwner() {
    if (IsIconic(owner_))
        return false;
    const RECT area = ClientAreaOnScreen(owner_);
    const LONG width = std::max<LONG>(area.right - area.left, 1);
    const LONG height = std::max<LONG>(area.bottom - area.top, 1);
    RECT placed = {};
    GetWindowRect(window_.get(), &placed);
    if (placed.left != area.left || placed.top != area.top ||
        placed.right - placed.left != width || placed.bottom - placed.top != height)
        SetWindowPos(window_.get(), HWND_TOP, area.left, area.top, width, height,
                     SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (width != buffers_.cx || height != buffers_.cy) {
        const HRESULT result = swapChain_->ResizeBuffers(0, static_cast<UINT>(width),
                                                         static_cast<UINT>(height),
                                                         DXGI_FORMAT_UNKNOWN, 0);
        LogIfFailed("the overlay surface's ResizeBuffers", result);
        if (SUCCEEDED(result))
            buffers_ = {width, height};
    }
    return true;
}

void OverlaySurface::PresentFrame() {
    if (!FollowOwner()) {
        ShowWindow(window_.get(), SW_HIDE);
        return;
    }
    if (!IsWindowVisible(window_.get()))
        ShowWindow(window_.get(), SW_SHOWNA);
    com_ptr<ID3D11Texture2D> buffer;
    if (FAILED(swapChain_->GetBuffer(0, __uuidof(ID3D11Texture2D),
                                     reinterpret_cast<void**>(buffer.put()))))
        return;
    if (still_) {
        D3D11_TEXTURE2D_DESC description = {};
        still_->GetDesc(&description);
        const D3D11_BOX box = {0, 0, 0, std::min<UINT>(description.Width, buffers_.cx),
                               std::min<UINT>(description.Height, buffers_.cy), 1};
        context_->CopySubresourceRegion(buffer.get(), 0, 0, 0, 0, still_.get(), 0, &box);
    }
    // Sync interval 1: never faster than the display, which is what Steam draws at.
    const HRESULT result = swapChain_->Present(1, 0);
    if (FAILED(result) && result != DXGI_STATUS_OCCLUDED)
        LogIfFailed("the overlay surface's Present", result);
}

LRESULT CALLBACK OverlaySurface::Procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* surface = reinterpret_cast<OverlaySurface*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (surface && message == WM_TIMER && wParam == kFrameTimerId) {
        surface->PresentFrame();
        return 0;
    }
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return DefWindowProcW(window, message, wParam, lParam);
}
