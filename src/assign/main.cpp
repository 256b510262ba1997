#include "assign/command_line.h"

#include <iostream>

#include "util/platform.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    veltra::NativePlatform platform;
    return veltra::assign::RunAssignCommand(args, std::cout, std::cerr, veltra::TerminalsOf(platform));
}
