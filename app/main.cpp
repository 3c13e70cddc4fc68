#include "app/app.h"

int main(int argc, char** argv) {
    qv::app::CQVGuiApp app(argc, argv);
    return app.InitInstance();
}
