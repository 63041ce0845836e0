#include "win32/converter_app.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    kivo::win32::CConverterApp app(instance);
    return app.InitInstance();
}
