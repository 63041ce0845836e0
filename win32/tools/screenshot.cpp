// Renders the README's picture of the window: the real dialog from the real templates, with
// two files queued, captured from the screen into a 24-bit BMP. screenshot.sh runs it under
// Wine and turns the BMP into a PNG.
//
//   kivo_win32_screenshot.exe OUT.bmp
#include "intake/notifier.h"
#include "win32/converter_app.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

namespace {

// The picture shows the window as it stands; the notices of the drop are not part of it.
class SilentNotifier final : public kivo::intake::Notifier {
public:
    void notice(const std::string&) override {}
    void error(const std::string&) override {}
};

bool writeBmp(const char* path, HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as BMP files store it
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const auto stride = static_cast<std::size_t>((width * 3 + 3) & ~3);
    std::vector<unsigned char> pixels(stride * static_cast<std::size_t>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr)
        return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kivo_win32_screenshot OUT.bmp\n");
        return 2;
    }
    SilentNotifier notifier;
    kivo::win32::CConverterApp app(GetModuleHandleW(nullptr), notifier);
    if (!app.CreateMainWindow())
        return 1;
    kivo::win32::CConverterDlg& dlg = app.mainWindow();
    dlg.OnOpenFiles({L"C:\\測定\\run1.dat", L"C:\\測定\\試料2_300K.dat"});

    // Until every control has painted: the drop's changes and the paints arrive as messages.
    for (int round = 0; round < 20; ++round) {
        while (app.PumpMessage(false)) {
        }
        Sleep(50);
    }
    return writeBmp(argv[1], dlg.hwnd()) ? 0 : 1;
}
