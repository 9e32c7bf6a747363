// Steam's overlay and screenshots, as the stand-in models them. Like Steam's
// own overlay renderer, once DXGI is in the process the stand-in hooks
// IDXGISwapChain::Present (in the swap chains' shared method table) when the
// overlay is enabled: it counts presents (steam-standin.presents), records the
// first of each run of them and each after the window moved (where the window
// is, what it shows, whether it has the input), and opens an overlay asked for only once something presents.
#include <cstdint>
#include <cstdio>
#include <fstream>

#include <windows.h>
#include <d3d11.h>
#include <dxgi1_2.h>

#include "steam_api_standin.h"

namespace standin_steam {
namespace {
using PresentFunction = HRESULT(STDMETHODCALLTYPE*)(IDXGISwapChain*, UINT, UINT);
constexpr size_t kPresentSlot = 8; // IUnknown 3, IDXGIObject 4, IDXGIDeviceSubObject 1
constexpr ULONGLONG kRunGapMs = 250; // a present after this long starts a new run

struct OverlayModel {
    PresentFunction present = nullptr; // DXGI's own
    bool hookTried = false;
    bool asked = false; // the game asked for the overlay and nothing has presented since
    uint64_t presents = 0;
    ULONGLONG lastPresent = 0;
    RECT placed = {}; // where the last present's window was
    bool hooked = false;
    bool screenshotsHooked = false;
    uint32_t screenshots = 0; // handles given out
};
OverlayModel& Model() {
    static OverlayModel model;
    return model;
}

template <typename T> void Release(T*& object) {
    if (object)
        object->Release();
    object = nullptr;
}

nlohmann::json RectJson(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The pixel at the middle of the buffer about to be presented, as "#rrggbb".
std::string MiddlePixel(IDXGISwapChain* chain) {
    ID3D11Texture2D* buffer = nullptr;
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    ID3D11Texture2D* staging = nullptr;
    std::string colour = "unreadable";
    if (SUCCEEDED(chain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&buffer)))) {
        D3D11_TEXTURE2D_DESC description = {};
        buffer->GetDesc(&description);
        buffer->GetDevice(&device);
        device->GetImmediateContext(&context);
        D3D11_TEXTURE2D_DESC one = description;
        one.Width = one.Height = 1;
        one.Usage = D3D11_USAGE_STAGING;
        one.BindFlags = 0;
        one.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        one.MiscFlags = 0;
        const UINT x = description.Width / 2, y = description.Height / 2;
        const D3D11_BOX box = {x, y, 0, x + 1, y + 1, 1};
        D3D11_MAPPED_SUBRESOURCE mapped = {};
        if (SUCCEEDED(device->CreateTexture2D(&one, nullptr, &staging))) {
            context->CopySubresourceRegion(staging, 0, 0, 0, 0, buffer, 0, &box);
            if (SUCCEEDED(context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped))) {
                const auto* bgra = static_cast<const uint8_t*>(mapped.pData);
                char text[8];
                std::snprintf(text, sizeof(text), "#%02x%02x%02x", bgra[2], bgra[1], bgra[0]);
                colour = text;
                context->Unmap(staging, 0);
            }
        }
    }
    Release(staging);
    Release(context);
    Release(device);
    Release(buffer);
    return colour;
}

RECT PlacementOf(IDXGISwapChain* chain) {
    DXGI_SWAP_CHAIN_DESC description = {};
    chain->GetDesc(&description);
    RECT placed = {};
    GetWindowRect(description.OutputWindow, &placed);
    return placed;
}

void RecordRunStart(IDXGISwapChain* chain) {
    DXGI_SWAP_CHAIN_DESC description = {};
    chain->GetDesc(&description);
    HWND window = description.OutputWindow;
    RECT placed = {}, ownerClient = {};
    GetWindowRect(window, &placed);
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner) {
        GetClientRect(owner, &ownerClient);
        MapWindowPoints(owner, nullptr, reinterpret_cast<POINT*>(&ownerClient), 2);
    }
    Record("Present", {{"window", RectJson(placed)},
                       {"ownerClient", RectJson(ownerClient)},
                       {"middle", MiddlePixel(chain)},
                       {"hasInput", GetForegroundWindow() == window}});
}

HRESULT STDMETHODCALLTYPE HookedPresent(IDXGISwapChain* chain, UINT interval, UINT flags) {
    OverlayModel& model = Model();
    const ULONGLONG now = GetTickCount64();
    const RECT placed = PlacementOf(chain);
    if (model.presents == 0 || now - model.lastPresent > kRunGapMs || !EqualRect(&placed, &model.placed))
        RecordRunStart(chain);
    model.placed = placed;
    model.lastPresent = now;
    ++model.presents;
    // Renamed into place: a reader never sees the count half written.
    const std::filesystem::path count = Beside(L"steam-standin.presents");
    std::filesystem::path written = count;
    written += L".new";
    std::ofstream(written, std::ios::trunc) << model.presents;
    MoveFileExW(written.c_str(), count.c_str(), MOVEFILE_REPLACE_EXISTING);
    // What was asked for shows now that there is something to draw over.
    if (model.asked) {
        model.asked = false;
        QueueOverlay(true);
    }
    return model.present(chain, interval, flags);
}

// A swap chain of our own shows where the method table is; it goes at once.
void HookPresent() {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                  nullptr, nullptr);
    ID3D11Device* device = nullptr;
    IDXGIDevice* dxgiDevice = nullptr;
    IDXGIAdapter* adapter = nullptr;
    IDXGIFactory2* factory = nullptr;
    IDXGISwapChain1* chain = nullptr;
    DXGI_SWAP_CHAIN_DESC1 description = {};
    description.Width = description.Height = 8;
    description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    description.BufferCount = 2;
    description.SwapEffect = DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL;
    if (window &&
        SUCCEEDED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, nullptr, 0,
                                    D3D11_SDK_VERSION, &device, nullptr, nullptr)) &&
        SUCCEEDED(device->QueryInterface(__uuidof(IDXGIDevice), reinterpret_cast<void**>(&dxgiDevice))) &&
        SUCCEEDED(dxgiDevice->GetAdapter(&adapter)) &&
        SUCCEEDED(adapter->GetParent(__uuidof(IDXGIFactory2), reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateSwapChainForHwnd(device, window, &description, nullptr, nullptr, &chain))) {
        void** methods = *reinterpret_cast<void***>(chain);
        DWORD protection = 0;
        if (VirtualProtect(&methods[kPresentSlot], sizeof(void*), PAGE_READWRITE, &protection)) {
            Model().present = reinterpret_cast<PresentFunction>(methods[kPresentSlot]);
            methods[kPresentSlot] = reinterpret_cast<void*>(&HookedPresent);
            VirtualProtect(&methods[kPresentSlot], sizeof(void*), protection, &protection);
            Model().hooked = true;
        }
    }
    Record("HookPresent", {Model().hooked});
    Release(chain);
    Release(factory);
    Release(adapter);
    Release(dxgiDevice);
    Release(device);
    if (window)
        DestroyWindow(window);
}
} // namespace

void QueueOverlay(bool active) {
    std::vector<uint8_t> data(16, 0); // GameOverlayActivated_t
    data[0] = active;
    Queue(331, data);
}

bool OverlayEnabled() {
    return Config("overlay") != false;
}

void RequestOverlay() {
    if (OverlayEnabled())
        Model().asked = true;
}

void WatchForSwapChains() {
    OverlayModel& model = Model();
    if (model.hookTried || !OverlayEnabled() || !GetModuleHandleW(L"dxgi.dll"))
        return;
    model.hookTried = true;
    HookPresent();
}
} // namespace standin_steam
using namespace standin_steam;

EXPORT void* SteamAPI_SteamScreenshots_v003() {
    return &interfaces[6];
}
EXPORT void SteamAPI_ISteamScreenshots_HookScreenshots(void*, bool hook) {
    Record("HookScreenshots", {hook});
    Model().screenshotsHooked = hook;
}
// Hooked, the game writes the screenshot Steam asks for (ScreenshotRequested_t).
EXPORT void SteamAPI_ISteamScreenshots_TriggerScreenshot(void*) {
    Record("TriggerScreenshot");
    if (Model().screenshotsHooked)
        Queue(2302, std::vector<uint8_t>(4, 0));
}
// The packed RGB rows go to steam-standin-screenshot.rgb.
EXPORT uint32_t SteamAPI_ISteamScreenshots_WriteScreenshot(void*, void* rgb, uint32_t size,
                                                           int32_t width, int32_t height) {
    Record("WriteScreenshot", {size, width, height});
    if (!rgb || width <= 0 || height <= 0 ||
        size != static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3)
        return 0;
    std::ofstream(Beside(L"steam-standin-screenshot.rgb"), std::ios::binary | std::ios::trunc)
        .write(static_cast<const char*>(rgb), size);
    return ++Model().screenshots;
}
