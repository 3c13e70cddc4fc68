#include "window/sheet/app.h"

int main(int argc, char** argv) {
    qv::window::CQVGuiApp app(argc, argv);
    return app.InitInstance();
}
