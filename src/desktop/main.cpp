// The desktop program: the application object, then the program's modules
// and its event loop (DesktopProgram).

#include "app/DesktopProgram.h"
#include "app/QuillmereApplication.h"

int main(int argc, char* argv[]) {
    qm::QuillmereApplication app(argc, argv);
    qm::DesktopProgram program;
    return program.run();
}
