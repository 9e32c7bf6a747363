#pragma once
// Where Steam's overlay can draw over a page the runtime renders in its own
// processes: a borderless window owned by the main window, exactly over its
// client area, with a Direct3D 11 flip-model swap chain. Steam hooks that swap
// chain's Present in this process. Hidden and idle while the overlay is closed;
// while it is open it shows a still of the page and presents once a frame.
#include <windows.h>
#include <d3d11.h>
#include <dxgi1_2.h>

#include "util/com/com_ptr.h"
#include "util/page_pixels.h"
#include "util/scoped_handle.h"

class OverlaySurface {
public:
    // Makes the hidden window and the swap chain; Ready() says whether both exist.
    explicit OverlaySurface(HWND owner);
    ~OverlaySurface();
    OverlaySurface(const OverlaySurface&) = delete;
    OverlaySurface& operator=(const OverlaySurface&) = delete;

    bool Ready() const { return swapChain_.get() != nullptr; }
    bool Shown() const { return shown_; }
    // Over the owner's client area with the still, presenting, with the input.
    void Show(const PagePixels& still);
    // Hidden and idle; the owner has the input again.
    void Hide();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool MakeSwapChain();
    void TakeStill(const PagePixels& still);
    bool FollowOwner();
    void PresentFrame();

    HWND owner_;
    ScopedWindow window_;
    com_ptr<ID3D11Device> device_;
    com_ptr<ID3D11DeviceContext> context_;
    com_ptr<IDXGISwapChain1> swapChain_;
    com_ptr<ID3D11Texture2D> still_;
    SIZE buffers_ = {};
    bool shown_ = false;
};
