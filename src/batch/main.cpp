// talvex-batch SCRIPT: the whole program without a window, driven by a text script.
#include <fstream>
#include <iostream>

#include "batch/script_runner.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: talvex-batch SCRIPT\n";
        return 2;
    }
    std::ifstream script(argv[1], std::ios::binary);
    if (!script) {
        std::cerr << argv[1] << ": cannot open the script\n";
        return 2;
    }
    return talvex::RunScript(script, argv[1], std::cout, std::cerr);
}
