#include "Commands.h"

#include <iostream>

int main(int argc, char **argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return veyra::vxd::tool::RunTool(arguments, std::cout, std::cerr);
}
