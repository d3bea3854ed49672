// MORVALE: the disc and drive diagnostic program.
#include <QApplication>
#include <string>

#include "diag/ui/main/win_main.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine += argv[i];
        commandLine += ' ';
    }
    return kel::diag::WinMain(app, commandLine);
}
