#include "win32/converter_app.h"
#include "win32/notifier.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    kivo::win32::MessageBoxNotifier notifier;
    kivo::win32::CConverterApp app(instance, notifier);
    return app.InitInstance();
}
