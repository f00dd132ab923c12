#include "Console.h"

#include <iostream>

namespace TSCoreBridge
{
    int Fail(int code, const std::string& message)
    {
        Note(message);
        return code;
    }

    void Note(const std::string& message) { std::cerr << "tscore-bridge: " << message << std::endl; }
}
