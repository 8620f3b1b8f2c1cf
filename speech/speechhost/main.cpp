#include "ScriptRunner.h"

#include <iostream>

int main(int argc, char** argv)
{
    return speechhost::runProgram(argc, argv, std::cin, std::cout, std::cerr);
}
