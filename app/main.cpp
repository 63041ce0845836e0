#include "app/converter_app.h"

int main(int argc, char* argv[])
{
    kivo::app::CConverterApp app(argc, argv);
    return app.InitInstance();
}
